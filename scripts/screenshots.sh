#!/usr/bin/env bash
# Regenerates docs/screenshots/: the main window in its compact form with a
# word being typed (green), in its full form with a wrong word (red), its
# corrections and then its neighbours, and the full form again at a screen
# scale of 2. Runs the built
# program from a temporary copy of its folder in a private X session; the
# folder must hold english.dll.
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
cp "$program_dir/QOR_Vuruzid" "$program_dir/english.dll" "$program_dir/english.frq" "$work/"
mkdir -p "$work/data" "$work/Doder" "$work/home"
left=40 top=40
printf '%s\r\n' "QOR Vuruzid v.1.1" "User Name" "2612075123" 0 1 $left $top fsNormal 1 \
  Normal Normal Normal Normal Normal Normal Normal >"$work/data/Vuruzid.ini"

# One session a scale: the window is found on the screen, and the clicks and
# the picture scale with it.
take() {  # screen size, scale factor, compact picture (or -), full picture
  VURUZID_SCREEN=$1 QT_SCALE_FACTOR=$2 bash "$root/scripts/with-xserver.sh" bash -c '
    set -euo pipefail
    work=$1 out=$2 scale=$3 compact=$4 full=$5
    cd "$work"
    rm -f data/*.lock
    HOME="$work/home" ./QOR_Vuruzid &
    program=$!
    window=$(xdotool search --sync --onlyvisible --pid $program | head -n1)
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$window")"
    click() { xdotool mousemove $((X + $1 * scale)) $((Y + $2 * scale)) click 1; sleep 0.3; }
    shot() { import -window root -crop "$((271 * scale))x$(($2 * scale))+$X+$Y" +repage "$out/$1"; }

    click 190 19          # checking on
    xdotool type --delay 60 "spell"
    sleep 0.3
    [ "$compact" = - ] || shot "$compact" 106

    click 108 86          # full form
    xdotool type --delay 60 "ing quikly "
    sleep 0.3
    shot "$full" 256

    click 248 20          # close
    wait $program
  ' screenshots "$work" "$out" "$2" "$3" "$4"
}
take 640x400x24 1 compact-green.png full-red.png
take 800x700x24 2 - full-scale2.png
echo "Wrote $out/compact-green.png, $out/full-red.png and $out/full-scale2.png"
