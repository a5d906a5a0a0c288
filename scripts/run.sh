#!/usr/bin/env bash
# Sets up the machine, builds the program folder and starts QOR Vuruzid from it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build/QOR_Vuruzid
if [ -x ./QOR_Vuruzid ]; then
  exec ./QOR_Vuruzid
fi
# Until the desktop program is built, show the engine at work on a sample sentence.
exec ./vuruzid-check --lang en "$@" THE QUIK BROWN FOX
