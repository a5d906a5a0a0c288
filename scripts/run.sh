#!/usr/bin/env bash
# Sets up the machine, builds the program folder build/QOR_Vuruzid/ and starts
# QOR Vuruzid from it (the program expects its own folder as the current
# directory). Needs a desktop session: X11, or Wayland with XWayland.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build/QOR_Vuruzid
exec ./QOR_Vuruzid
