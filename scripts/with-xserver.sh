#!/usr/bin/env bash
# Runs a command inside a private X session: Xvfb (with XTEST, RECORD and XKB),
# the openbox window manager, the trayer tray host and a session bus of its
# own (through which the accessibility bus is reached, as on a desktop). Used by the test script
# and by the screenshot and benchmark scripts. The session ends with the command.
set -euo pipefail

screen_size=${VURUZID_SCREEN:-1280x1024x24}

xvfb_out=$(mktemp)
# -noreset: without it the server resets whenever its last client disconnects,
# and the session loses its window manager's hold on the screen.
Xvfb -displayfd 3 -screen 0 "$screen_size" -nolisten tcp -noreset +extension RECORD +extension XTEST \
  3>"$xvfb_out" >/dev/null 2>&1 &
xvfb_pid=$!
helpers=()
cleanup() {
  # The tray host's own process first, so its restarting loop has nothing to outlive.
  [ -n "${tray_loop:-}" ] && pkill -P "$tray_loop" 2>/dev/null || true
  for p in "${helpers[@]}"; do kill "$p" 2>/dev/null || true; done
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -f "$xvfb_out"
}
trap cleanup EXIT

for _ in $(seq 100); do
  [ -s "$xvfb_out" ] && break
  sleep 0.05
done
if [ ! -s "$xvfb_out" ]; then
  echo "Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$xvfb_out")"
unset WAYLAND_DISPLAY

if [ "${VURUZID_NO_WM:-0}" != 1 ]; then
  openbox >/dev/null 2>&1 &
  helpers+=($!)
  # Wait until the window manager has claimed the screen.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  # The tray host is started again should it ever exit, so one crash of it
  # cannot fail every later tray test of the session.
  ( while :; do
      trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 || true
      sleep 0.2
    done ) &
  tray_loop=$!
  helpers+=($tray_loop)
  for _ in $(seq 100); do
    xdotool search --name '^panel$' >/dev/null 2>&1 && break
    sleep 0.05
  done
fi

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  dbus-run-session -- "$@" 2> >(grep -v -E '^dbus-daemon\[|^SpiRegistry daemon' >&2)
else
  "$@"
fi
