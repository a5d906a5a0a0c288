#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (inside a private X session).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bash scripts/with-xserver.sh ctest --test-dir build --output-on-failure -j2 --timeout 300
