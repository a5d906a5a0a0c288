#!/usr/bin/env bash
# The program in a real Wayland session: sway, headless, run as an ordinary
# user created for the test, with XWayland started on demand. Checks that
# checking tries the keyboard-device route there first and, when no keyboard
# may be read, falls back to XWayland's keys, saying clearly why and what it
# cannot see; and that the shaped window shows through XWayland. Exits 77 (skipped) where this cannot run, saying why.
#   sway-session.sh PROGRAM_FOLDER
set -u
program_folder=$(cd "$1" && pwd)

skip() { echo "skipped: $*"; exit 77; }
[ "${VURUZID_SYSTEM_TESTS:-}" = 1 ] || skip "it adds users and changes the system: set VURUZID_SYSTEM_TESTS=1 to run it"
[ "$(id -u)" -eq 0 ] || skip "creating the test user needs root"
command -v sway >/dev/null || skip "sway is not installed"
command -v Xwayland >/dev/null || skip "Xwayland is not installed"

user=vuruzid-wayland-test
work=$(mktemp -d /tmp/vuruzid-wayland-XXXXXX)
sway_pid=
cleanup() {
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null
  pkill -u "$user" 2>/dev/null
  sleep 0.2
  pkill -9 -u "$user" 2>/dev/null
  userdel -r "$user" >/dev/null 2>&1
  [ -n "${VURUZID_KEEP_WAYLAND_TEST:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
id "$user" >/dev/null 2>&1 && userdel -r "$user" >/dev/null 2>&1
useradd -m "$user" || { echo "cannot create the test user"; exit 1; }

# A writable copy of the program folder, started as a second start (no welcome).
cp -r "$program_folder" "$work/program"
printf '%s\r\n' "QOR Vuruzid v.1.1" "Tester" "2612075123" 0 1 100 100 fsNormal 1 \
  Normal Normal Normal Normal Normal Normal Normal > "$work/program/data/Vuruzid.ini"
# Input devices the user may not read: a keyboard node of root's, mode 0600.
mkdir -p "$work/input/dev/input" "$work/input/sys/class/input/event0/device/capabilities"
mkfifo -m 0600 "$work/input/dev/input/event0"
echo "1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe" \
  > "$work/input/sys/class/input/event0/device/capabilities/key"
mkdir -m 0700 "$work/runtime"
mkdir "$work/out"
chown -R "$user" "$work/program" "$work/runtime" "$work/out"
chmod 755 "$work"

# Runs inside the session, as the test user, with WAYLAND_DISPLAY and DISPLAY set by sway.
cat > "$work/inside.sh" <<'INSIDE'
#!/usr/bin/env bash
work=$1
out=$work/out/results
cd "$work/program" || exit 1
echo "display $DISPLAY wayland $WAYLAND_DISPLAY" > "$out"
VURUZID_INPUT_ROOT=$work/input timeout 10 ./vuruzid-keywatch > /dev/null 2> "$work/out/keywatch.err"
echo "keywatch exit $?" >> "$out"

VURUZID_INPUT_ROOT=$work/input ./QOR_Vuruzid > "$work/out/program.out" 2>&1 &
program=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^QOR_Vuruzid$' 2>/dev/null | head -n1)
  [ -n "$window" ] && break
  sleep 0.1
done
echo "window ${window:-none}" >> "$out"
if [ -n "$window" ]; then
  xwininfo -shape -id "$window" > "$work/out/shape.txt" 2>&1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # The on/off button.
  xdotool mousemove --sync $((X + 190)) $((Y + 19)) click 1
  boxes=0
  for _ in $(seq 50); do
    boxes=$(xdotool search --onlyvisible --name '^QOR_Vuruzid$' 2>/dev/null | wc -l)
    [ "$boxes" -ge 2 ] && break
    sleep 0.1
  done
  echo "windows after on $boxes" >> "$out"
  kill -0 "$program" 2>/dev/null && echo "program alive" >> "$out"
fi
kill "$program" 2>/dev/null
echo done >> "$out"
INSIDE
chmod 755 "$work/inside.sh"
cat > "$work/sway.cfg" <<CFG
xwayland enable
exec $work/inside.sh $work
CFG
chmod 644 "$work/sway.cfg"

su "$user" -s /bin/bash -c "cd '$work' && XDG_RUNTIME_DIR='$work/runtime' WLR_BACKENDS=headless \
  WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 exec sway -c '$work/sway.cfg'" > "$work/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 300); do
  grep -q '^done$' "$work/out/results" 2>/dev/null && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.1
done

failed=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}
if ! [ -f "$work/out/results" ]; then
  echo "the session did not run the program; sway said:"; tail -20 "$work/sway.log"
  exit 1
fi
cat "$work/out/results"
check "XWayland gave the session an X display" grep -q '^display :[0-9]' "$work/out/results"
check "the device route is tried first and refuses with the permission message" \
  grep -q 'the keyboards cannot be read' "$work/out/keywatch.err"
check "the message says what to do" grep -q 'input" group' "$work/out/keywatch.err"
check "keys of X11 applications are watched through XWayland" \
  grep -q 'only keys typed into X11 applications' "$work/out/keywatch.err"
check "the tool runs until stopped" grep -q '^keywatch exit 124$' "$work/out/results"
check "the window shows through XWayland" grep -q '^window [0-9]' "$work/out/results"
check "the window is shaped" grep -q 'Window shape extents' "$work/out/shape.txt"
check "switching checking on shows a message box" grep -q '^windows after on [2-9]' "$work/out/results"
check "the program carries on" grep -q '^program alive$' "$work/out/results"
[ "$failed" -eq 0 ] || { echo "--- keywatch:"; cat "$work/out/keywatch.err"; echo "--- shape:"; cat "$work/out/shape.txt"; }
exit "$failed"
