#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it, and runs the
# installed program as two new ordinary users under the X session: the first
# run welcomes each, a word is added and the program closed (by its close
# button, and by the tray menu's Quit); each user's files
# land in their own data folder and nothing is written under /usr. Then the
# package is removed and nothing of it may be left. The package and the users
# are removed on every exit, so a failed run leaves the machine as it was.
# Exits 77 (skipped) where this cannot run, saying why.
#   package-install.sh BUILD_FOLDER
set -u
build=$(cd "$1" && pwd)

skip() { echo "skipped: $*"; exit 77; }
[ "${VURUZID_SYSTEM_TESTS:-}" = 1 ] || skip "it adds users and changes the system: set VURUZID_SYSTEM_TESTS=1 to run it"
[ "$(id -u)" -eq 0 ] || skip "installing a package and creating users needs root"
command -v dpkg >/dev/null && command -v cpack >/dev/null || skip "dpkg and cpack are needed"
[ -n "${DISPLAY:-}" ] || skip "needs an X session (scripts/with-xserver.sh)"
command -v xdotool >/dev/null || skip "xdotool is not installed"
package=qor-vuruzid
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
  skip "$package is already installed on this machine; it is left alone"
fi

users=(vuruzid-install-a vuruzid-install-b)
work=$(mktemp -d /tmp/vuruzid-install-XXXXXX)
installed=0
failures=0
cleanup() {
  for user in "${users[@]}"; do
    pkill -u "$user" 2>/dev/null
  done
  sleep 0.2
  for user in "${users[@]}"; do
    pkill -9 -u "$user" 2>/dev/null
    id "$user" >/dev/null 2>&1 && userdel -r "$user" >/dev/null 2>&1
  done
  [ "$installed" = 1 ] && dpkg -r "$package" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# xdotool's answer: the first visible window whose name matches, or nothing.
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
wait_for_window() {
  local found=
  for _ in $(seq 150); do
    found=$(window_named "$1")
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}

echo "== building the package"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"
  echo "FAILED: cpack"
  exit 1
}
deb=$(ls "$work"/out/"$package"_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || { echo "FAILED: no package was built"; exit 1; }

echo "== installing $(basename "$deb")"
installed=1
dpkg -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; echo "FAILED: dpkg -i"; exit 1; }
package_files=$(dpkg -L "$package")
for path in /usr/bin/qor-vuruzid /usr/bin/vuruzid-check /usr/bin/vuruzid-dictbuild \
    /usr/lib/qor-vuruzid/QOR_Vuruzid /usr/lib/qor-vuruzid/english.dll /usr/lib/qor-vuruzid/russian.dll \
    /usr/lib/qor-vuruzid/english.frq /usr/lib/qor-vuruzid/russian.frq \
    /usr/lib/qor-vuruzid/Help/index.htm /usr/lib/qor-vuruzid/Readme.htm \
    /usr/share/applications/org.vuruzid.QorVuruzid.desktop /usr/share/metainfo/org.vuruzid.QorVuruzid.metainfo.xml \
    /usr/share/icons/hicolor/64x64/apps/qor-vuruzid.png /usr/share/man/man1/qor-vuruzid.1.gz; do
  [ -e "$path" ] || fail "$path is not installed"
done
command -v desktop-file-validate >/dev/null &&
  { desktop-file-validate /usr/share/applications/org.vuruzid.QorVuruzid.desktop || fail "the menu entry is invalid"; }
command -v appstreamcli >/dev/null &&
  { appstreamcli validate --no-net --pedantic /usr/share/metainfo/org.vuruzid.QorVuruzid.metainfo.xml > "$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "the metainfo is invalid"; }; }
# The licence is named wherever a package tool looks, and no made-up web address ships.
grep -q '^License: GPL-3+' /usr/share/doc/qor-vuruzid/copyright || fail "the copyright file does not name the licence"
grep -q 'GPL-3.0-or-later' /usr/share/metainfo/org.vuruzid.QorVuruzid.metainfo.xml || fail "the metainfo names no licence"
[ -f /usr/lib/qor-vuruzid/licences/COPYING ] || fail "the licence text is not installed"
for notice in english-dictionary russian-dictionary word-frequencies-onboard word-frequencies-scowl; do
  [ -s /usr/lib/qor-vuruzid/licences/$notice-copyright.txt ] || fail "the notice $notice-copyright.txt is not installed"
  grep -q "licences/$notice-copyright.txt" /usr/share/doc/qor-vuruzid/copyright ||
    fail "the copyright file does not name $notice-copyright.txt"
done
! grep -rqs 'example\.org' /usr/share/metainfo/org.vuruzid.QorVuruzid.metainfo.xml /usr/share/doc/qor-vuruzid/copyright ||
  fail "a placeholder web address ships"
# The tools on the PATH find the installed dictionaries from any folder.
(cd / && vuruzid-check --lang en cat 2>&1 | grep -q ': known') || fail "vuruzid-check does not find its dictionaries"
# ... and the word frequencies beside them: the corrections come without a complaint.
(cd / && vuruzid-check --lang en --suggest recieve 2> "$work/suggest.err" | grep -q '^RECIEVE: RECEIVE') &&
  [ ! -s "$work/suggest.err" ] || fail "vuruzid-check --suggest does not rank by the installed word frequencies"

# From here on nothing may change under /usr.
sleep 1
touch "$work/installed-stamp"

# "X Y WIDTH HEIGHT" of a window, on the screen.
geometry_of() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
# The program's visible windows of at most (or at least) a height: the tray icon, its menu.
program_window() {
  local id x y w h
  for id in $(xdotool search --onlyvisible --class QOR_Vuruzid 2>/dev/null); do
    read -r x y w h < <(geometry_of "$id")
    if [ "$1" = icon ] && [ "$h" -le 32 ]; then echo "$id"; return; fi
    if [ "$1" = menu ] && [ "$h" -ge 120 ] && [ "$w" -le 640 ]; then echo "$id"; return; fi
  done
}
# Minimizes the window to the tray and ends the program with the icon menu's last entry, Quit.
quit_from_tray() {
  local icon= menu= x y w h
  xdotool mousemove --sync --window "$1" 227 20 click 1
  for _ in $(seq 50); do icon=$(program_window icon); [ -n "$icon" ] && break; sleep 0.1; done
  [ -n "$icon" ] || return 1
  sleep 0.3
  read -r x y w h < <(geometry_of "$icon")
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
  for _ in $(seq 50); do menu=$(program_window menu); [ -n "$menu" ] && break; sleep 0.1; done
  [ -n "$menu" ] || return 1
  read -r x y w h < <(geometry_of "$menu")
  xdotool mousemove $((x + w / 2)) $((y + h - 12)) click 1
}

# One user's first run: welcome, a word added through the add button, closed
# with the close button or the tray menu's Quit.
first_run() {
  local user=$1 name=$2 word=$3 close_by=$4
  id "$user" >/dev/null 2>&1 && userdel -r "$user" >/dev/null 2>&1
  useradd -m "$user" || { fail "cannot create the user $user"; return; }
  local home
  home=$(getent passwd "$user" | cut -d: -f6)
  mkdir -p "$home/Desktop" && chown "$user" "$home/Desktop"

  runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
    LANG=C.UTF-8 QT_QPA_PLATFORM=xcb sh -c 'cd "$HOME" && exec qor-vuruzid' > "$work/$user.out" 2>&1 &
  local program=$!

  local welcome
  welcome=$(wait_for_window '^ Welcome to QOR Vuruzid$')
  [ -n "$welcome" ] || { fail "$user: the welcome dialog did not appear"; cat "$work/$user.out"; kill "$program" 2>/dev/null; return; }
  xdotool windowactivate --sync "$welcome" 2>/dev/null
  sleep 0.3
  xdotool type --delay 30 "$name"
  xdotool key Return
  local main
  main=$(wait_for_window '^QOR_Vuruzid$')
  [ -n "$main" ] || { fail "$user: the main window did not appear"; kill "$program" 2>/dev/null; return; }

  # Checking on, the word typed and finished, then the add button and the dialog's Ok.
  xdotool mousemove --sync --window "$main" 190 19 click 1
  sleep 0.5
  xdotool key --delay 40 $(echo "$word" | sed 's/./& /g') space
  sleep 0.3
  xdotool mousemove --sync --window "$main" 238 86 click 1
  local add
  add=$(wait_for_window '^ QOR Vuruzid$')
  if [ -n "$add" ]; then
    xdotool mousemove --sync --window "$add" 66 70 click 1
    sleep 0.3
  else
    fail "$user: the add dialog did not appear"
  fi
  if [ "$close_by" = tray ]; then
    quit_from_tray "$main" || fail "$user: the tray icon or its menu was not found"
  else
    xdotool mousemove --sync --window "$main" 248 20 click 1
  fi
  for _ in $(seq 100); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$program" 2>/dev/null && { fail "$user: the program did not end"; kill "$program" 2>/dev/null; }

  local data="$home/.local/share/qor-vuruzid/data"
  [ -f "$data/Vuruzid.ini" ] || fail "$user: no settings in $data"
  grep -q "$name" "$data/Vuruzid.ini" 2>/dev/null || fail "$user: the name is not in the settings"
  grep -qi "^$word" "$data/dat_u.txt" 2>/dev/null || fail "$user: the added word is not in $data/dat_u.txt"
  [ "$(stat -c %U "$data/Vuruzid.ini" 2>/dev/null)" = "$user" ] || fail "$user: the settings are not the user's own"
  local link="$home/Desktop/QOR_Vuruzid.desktop"
  [ -f "$link" ] || link="$home/.local/share/qor-vuruzid/Doder/QOR_Vuruzid.desktop"
  grep -q '^Exec=/usr/bin/qor-vuruzid' "$link" 2>/dev/null || fail "$user: the link does not start the launcher"
  grep -qx 'TryExec=/usr/bin/qor-vuruzid' "$link" 2>/dev/null ||
    fail "$user: the link does not name the launcher in TryExec, so it outlives the package"
  echo "$user: $(ls "$data" | tr '\n' ' ')"
}

echo "== first runs"
first_run vuruzid-install-a "Ann Example" QWERTYX button
first_run vuruzid-install-b "Bob Example" ZXCVBQ tray
grep -qi "^ZXCVBQ" /home/vuruzid-install-a/.local/share/qor-vuruzid/data/dat_u.txt 2>/dev/null &&
  fail "the second user's word reached the first user's files"

written=$(find /usr -xdev -newer "$work/installed-stamp" 2>/dev/null)
[ -z "$written" ] || fail "written under /usr: $written"

echo "== removing the package"
dpkg -r "$package" > "$work/dpkg-r.log" 2>&1 || { cat "$work/dpkg-r.log"; fail "dpkg -r"; }
installed=0
left=$(echo "$package_files" | while read -r path; do
  [ -f "$path" ] || [ -L "$path" ] && echo "$path"
done)
[ -z "$left" ] || fail "left behind after removal: $left"
[ ! -e /usr/lib/qor-vuruzid ] || fail "/usr/lib/qor-vuruzid is left behind"

[ "$failures" -eq 0 ] && echo "passed" && exit 0
exit 1
