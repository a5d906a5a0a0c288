#!/usr/bin/env bash
# Real browsers and a GTK window under the X session, watched by
# vuruzid-keywatch (the program's capture and interpreter): a word typed into a
# plain field, a password typed into a password field after a click, another
# after a Tab into a password field of a same-site frame. No letter typed into
# a password field may ever show. With the desktop's accessibility switch on
# before the browser starts, the plain word is checked; with a default start
# the browser is paused and says so.
#
# Each case runs on a session bus of its own with a private home (browsers.sh),
# so the accessibility switch, which at-spi2-core also stores in gsettings for
# good, never reaches the machine or another case. The page comes from a
# server on 127.0.0.1; the browsers fetch nothing else.
# Exits 77 (skipped) where this cannot run, saying why.
#   password-fields.sh BUILD_FOLDER
set -u

here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # Debian's, with the GTK bindings
source "$here/browsers.sh"

# Keycodes of a US keyboard (evdev), typed as such: keysyms could be remapped.
declare -A keycode=([a]=38 [b]=56 [c]=54 [d]=40 [e]=26 [f]=41 [g]=42 [h]=43 [i]=31 [j]=44 [k]=45 [l]=46 [m]=58
  [n]=57 [o]=32 [p]=33 [q]=24 [r]=27 [s]=39 [t]=28 [u]=30 [v]=55 [w]=25 [x]=53 [y]=29 [z]=52 [' ']=65)
tab_key=23
keycodes_of() {
  local text=$1 i
  for ((i = 0; i < ${#text}; i++)); do printf '%s ' "${keycode[${text:i:1}]}"; done
}
plain_text="hello wrold "
plain_word=WROLD
passwords=(sekretpasword swordfish)
# What is seen of a password, and how much: any four letters in a row of it.
password_pieces() {
  local word i
  for word in "$@"; do
    word=${word^^}
    for ((i = 0; i + 4 <= ${#word}; i++)); do echo "${word:i:4}"; done
  done
}

# ---------------------------------------------------------------------------
# One case, on its own session bus: run_case KIND MODE URL BUILD DIR
# KIND: firefox-esr, chromium or gtk; MODE: default, consent, or session (chromium
# started with QT_ACCESSIBILITY=1, as Debian's X sessions export it, and the
# switch off: the checker's own question makes it show its pages).
run_case() {
  local kind=$1 mode=$2 url=$3 build=$4 dir=$5
  local failures=0
  # What the exit trap ends (globals: it runs after this function has returned).
  keywatch_pid= browser_pid= switched_on=0
  local out=$dir/keywatch.out
  fail() { echo "FAILED: $kind/$mode: $*"; failures=$((failures + 1)); }
  finish() {
    [ -n "$keywatch_pid" ] && kill "$keywatch_pid" 2>/dev/null
    [ "$switched_on" = 1 ] && accessibility_switch false
    stop_browser
    wait 2>/dev/null
  }
  trap finish EXIT
  trap 'exit 143' TERM INT

  "$build/QOR_Vuruzid/vuruzid-keywatch" --folder "$build/QOR_Vuruzid" > "$out" 2> "$dir/keywatch.err" &
  keywatch_pid=$!
  for _ in $(seq 100); do grep -q 'watching the keys' "$dir/keywatch.err" && break; sleep 0.1; done
  grep -q 'watching the keys' "$dir/keywatch.err" || { cat "$dir/keywatch.err"; fail "vuruzid-keywatch did not start"; return 1; }
  if [ "$mode" = consent ]; then
    switched_on=1
    accessibility_switch true || { fail "the accessibility switch cannot be set"; return 1; }
  fi

  # The window, and its title: the page names the focused field and how much it holds.
  local window
  if [ "$kind" = gtk ]; then
    mkfifo "$dir/gtk-input"
    setsid "$python" "$here/../context/password_window.py" < "$dir/gtk-input" > "$dir/browser.log" 2>&1 &
    browser_pid=$!
    exec 7> "$dir/gtk-input"
    window=$(window_named '^Password window$')
  else
    [ "$mode" = session ] && export QT_ACCESSIBILITY=1
    start_browser "$kind" "$dir/profile" "$url" "$dir/browser.log"
    window=$(window_named vuruzid)
  fi
  [ -n "$window" ] || { tail -n 20 "$dir/browser.log"; fail "its window did not appear"; return 1; }
  # Time for the accessibility bridge to come up and be found, as a person's first look at a page takes.
  sleep 2.5
  timeout 5 xdotool windowactivate --sync "$window" 2>/dev/null

  local X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$window")"
  title_is() {
    local title
    for _ in $(seq 20); do
      title=$(xdotool getwindowname "$window" 2>/dev/null)
      case $title in "vuruzid form: $1 "*) return 0 ;; esac
      sleep 0.1
    done
    fail "the page did not get what was typed (wanted \"$1\" in its title, it says \"$title\")"
  }
  lines() { wc -l < "$out"; }
  # Each move is followed at once by its keys, as a quick typist's are.
  local typed_plain typed_password typed_frame=
  if [ "$kind" = gtk ]; then
    echo plain >&7
    sleep 0.5
    xdotool key --delay 30 $(keycodes_of "$plain_text")
    sleep 0.8
    typed_plain=$(lines)
    xdotool key --delay 30 $tab_key $(keycodes_of "${passwords[0]}")
    sleep 0.8
    typed_password=$(lines)
  else
    # The fields are 150 px tall: these heights hit them below any browser's toolbars.
    xdotool mousemove --sync $((X + 300)) $((Y + 200)) click 1 key --delay 30 $(keycodes_of "$plain_text")
    sleep 0.8
    title_is "plain ${#plain_text}"
    typed_plain=$(lines)
    xdotool mousemove --sync $((X + 300)) $((Y + 350)) click 1 key --delay 30 $(keycodes_of "${passwords[0]}")
    sleep 0.8
    title_is "password ${#passwords[0]}"
    typed_password=$(lines)
    xdotool key --delay 30 $tab_key $(keycodes_of "${passwords[1]}")
    sleep 0.8
    title_is "frame ${#passwords[1]}"
    typed_frame=$(lines)
  fi
  kill "$keywatch_pid" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$keywatch_pid" 2>/dev/null || break; sleep 0.1; done
  keywatch_pid=

  # The words shown, by the part of the typing they came in.
  words_in() { awk -v from="$1" -v to="$2" 'NR >= from && NR <= to' "$out" | sed -n 's/^key [0-9]*: word "\([^"]*\)".*/\1/p'; }
  local all_words plain_words password_words frame_words
  all_words=$(words_in 1 1000000)
  plain_words=$(words_in 1 "$typed_plain")
  password_words=$(words_in $((typed_plain + 1)) "$typed_password")
  [ -n "$typed_frame" ] && frame_words=$(words_in $((typed_password + 1)) "$typed_frame")

  local piece word shown_pieces=
  for piece in $(password_pieces "${passwords[@]}"); do
    grep -qx ".*$piece.*" <<< "$all_words" && shown_pieces+=" $piece"
  done
  [ -n "$shown_pieces" ] && fail "password letters shown in words:$shown_pieces"
  local leaked
  leaked=$(grep -iE '^key .*(SEKRET|PASWORD|SWORD|FISH)' "$out" | head -n 3)
  [ -n "$leaked" ] && fail "a password in the report: $(tr '\n' '|' <<< "$leaked")"
  # Not one letter: whatever shows while a password is typed must not be a piece of it.
  for word in $password_words; do
    [[ ${passwords[0]^^} == *"$word"* ]] && { fail "a letter of the password shows: \"$word\""; break; }
  done
  for word in ${frame_words:-}; do
    [[ ${passwords[1]^^} == *"$word"* ]] && { fail "a letter of the frame's password shows: \"$word\""; break; }
  done

  # GTK shows its focus on the bus without the switch.
  if [ "$mode" != default ] || [ "$kind" = gtk ]; then
    grep -qx "$plain_word" <<< "$plain_words" || fail "the plain field's word $plain_word was not checked"
  else
    grep -q '^-- paused for a browser' "$out" || fail "no line says the browser is paused"
  fi

  echo "$kind/$mode: what vuruzid-keywatch said, in order (words collapsed):"
  awk '/^-- / {print "    " $0; next}
       /^key / {match($0, /word "[^"]*"/); w = substr($0, RSTART + 6, RLENGTH - 7)
                if (w != last) print "    word \"" w "\""; last = w}' "$out"
  [ "$failures" -eq 0 ]
}

if [ "${1:-}" = --case ]; then
  shift
  run_case "$@"
  exit
fi

# ---------------------------------------------------------------------------
build=$(cd "${1:?usage: password-fields.sh BUILD_FOLDER}" && pwd)
skip() { echo "skipped: $*"; exit 77; }
[ "${VURUZID_SYSTEM_TESTS:-}" = 1 ] || skip "it starts real browsers: set VURUZID_SYSTEM_TESTS=1 to run it"
[ -n "${DISPLAY:-}" ] || skip "needs an X session (scripts/with-xserver.sh)"
for tool in xdotool dbus-run-session gdbus setsid "$python"; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -x "$build/QOR_Vuruzid/vuruzid-keywatch" ] || { echo "FAILED: $build/QOR_Vuruzid/vuruzid-keywatch is not built"; exit 1; }
cases=()
for browser in firefox-esr chromium; do
  if command -v "$browser" >/dev/null; then
    cases+=("$browser default" "$browser consent")
    [ "$browser" = chromium ] && cases+=("chromium session")
  else
    echo "not run: $browser is not installed (scripts/setup.sh installs it)"
  fi
done
[ ${#cases[@]} -gt 0 ] || skip "neither firefox-esr nor chromium is installed"
"$python" -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null && cases+=("gtk default")

work=$(mktemp -d /tmp/vuruzid-browser-XXXXXX)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The page and its frame from 127.0.0.1, on a port of the system's choosing.
"$python" "$here/serve_page.py" "$here" > "$work/port" 2>/dev/null &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "FAILED: the page server did not start"; exit 1; }
url="http://127.0.0.1:$(head -n1 "$work/port")/form.html"

results=()
failed=0
for entry in "${cases[@]}"; do
  read -r kind mode <<< "$entry"
  dir="$work/$kind-$mode"
  started=$SECONDS
  PRIVATE_HOME="$dir/home" private_session timeout -k 5 40 bash "$0" --case "$kind" "$mode" "$url" "$build" "$dir"
  status=$?
  [ "$status" -eq 124 ] && echo "FAILED: $kind/$mode: did not finish in 40 s"
  if [ "$status" -eq 0 ]; then results+=("passed  $kind/$mode ($((SECONDS - started)) s)")
  else results+=("FAILED  $kind/$mode ($((SECONDS - started)) s)"); failed=1; fi
done
printf '%s\n' "${results[@]}"
exit "$failed"
