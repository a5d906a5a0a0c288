#!/usr/bin/env bash
# Runs a command in a private X session with the openbox window manager but
# without a tray host.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
VURUZID_NO_WM=1 exec bash "$here/../../scripts/with-xserver.sh" bash -c '
  openbox >/dev/null 2>&1 &
  wm=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
  done
  "$@"; status=$?
  kill $wm 2>/dev/null || true
  exit $status' without-tray "$@"
