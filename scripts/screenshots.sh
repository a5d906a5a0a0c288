#!/usr/bin/env bash
# Regenerates docs/screenshots/: the main window in its compact form with a
# word being typed (green) and in its full form with a wrong word (red) and
# its neighbours. Runs the built program from a temporary copy of its folder
# in a private X session; the folder must hold english.dll.
#   bash scripts/screenshots.sh [program folder]   (default: build/QOR_Vuruzid)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program_dir=$(cd "${1:-$root/build/QOR_Vuruzid}" && pwd)
out="$root/docs/screenshots"
if [ ! -x "$program_dir/QOR_Vuruzid" ] || [ ! -f "$program_dir/english.dll" ]; then
  echo "No built program with its English dictionary in $program_dir" >&2
  exit 1
fi
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program_dir/QOR_Vuruzid" "$program_dir/english.dll" "$work/"
mkdir -p "$work/data" "$work/Doder" "$work/home"
left=40 top=40
printf '%s\r\n' "QOR Vuruzid v.1.1" "User Name" "2612075123" 0 1 $left $top fsNormal 1 \
  Normal Normal Normal Normal Normal Normal Normal >"$work/data/Vuruzid.ini"

VURUZID_SCREEN=640x400x24 bash "$root/scripts/with-xserver.sh" bash -c '
  set -euo pipefail
  work=$1 out=$2 left=$3 top=$4
  cd "$work"
  HOME="$work/home" ./QOR_Vuruzid &
  program=$!
  xdotool search --sync --onlyvisible --pid $program >/dev/null
  sleep 0.5
  click() { xdotool mousemove $((left + $1)) $((top + $2)) click 1; sleep 0.3; }
  shot() { import -window root -crop "271x$2+$left+$top" +repage "$out/$1"; }

  click 190 19          # checking on
  xdotool type --delay 60 "spell"
  sleep 0.3
  shot compact-green.png 106

  click 108 86          # full form
  xdotool type --delay 60 "ing quikly "
  sleep 0.3
  shot full-red.png 256

  click 248 20          # close
  wait $program
' screenshots "$work" "$out" "$left" "$top"
echo "Wrote $out/compact-green.png and $out/full-red.png"
