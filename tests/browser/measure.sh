#!/usr/bin/env bash
# Measurements for the notes on browsers (not tests), run under scripts/with-xserver.sh:
#   measure.sh focus [MOVES]          delay of the focus event after a click or a Tab, switch on, per browser
#   measure.sh cpu [RUNS] [SECONDS]   CPU of each browser's processes on busy.html: the accessibility
#                                     switch off; on; on with a client that follows the focus and reads
#                                     attributes, as the checker does ("reader"); and on with one that also
#                                     follows what a screen reader does ("screen-reader"); the median of RUNS
# Every browser runs on a session bus and in a home of its own (browsers.sh).
set -u
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
source "$here/browsers.sh"

# Processor time (clock ticks) of every process in a session, one "pid ticks" line each.
session_ticks() {
  "$python" - "$1" <<'PY'
import os, sys
session = sys.argv[1]
for pid in filter(str.isdigit, os.listdir("/proc")):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        continue
    if fields[3] == session:
        print(pid, int(fields[11]) + int(fields[12]))
PY
}

focus_case() {
  local kind=$1 url=$2 dir=$3 moves=$4
  trap 'accessibility_switch false; stop_browser' EXIT
  accessibility_switch true || { echo "$kind: the accessibility switch cannot be set"; return 1; }
  start_browser "$kind" "$dir/profile" "$url" "$dir/browser.log"
  local window X Y WIDTH HEIGHT SCREEN
  window=$(window_named vuruzid)
  [ -n "$window" ] || { echo "$kind: no window"; return 1; }
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "$kind:"
  timeout 120 "$python" "$here/focus_delay.py" "$X" "$Y" "$moves"
}

cpu_case() {
  local kind=$1 mode=$2 url=$3 dir=$4 seconds=$5
  reader=  # global: the exit trap runs after this function has returned
  trap '[ -n "$reader" ] && kill "$reader"; accessibility_switch false; stop_browser' EXIT
  if [ "$mode" != off ]; then accessibility_switch true || { echo "the switch cannot be set" >&2; return 1; }; fi
  case $mode in
    reader) "$python" "$here/reader_stand_in.py" & reader=$! ;;
    screen-reader) "$python" "$here/reader_stand_in.py" --all-events & reader=$! ;;
  esac
  start_browser "$kind" "$dir/profile" "$url" "$dir/browser.log"
  local window
  window=$(window_named 'vuruzid busy')
  [ -n "$window" ] || { echo "$kind: no window" >&2; return 1; }
  sleep 5  # start-up and the first build of the accessible tree are not what is measured
  session_ticks "$browser_pid" > "$dir/before"
  sleep "$seconds"
  session_ticks "$browser_pid" > "$dir/after"
  local fps ticks
  fps=$(xdotool getwindowname "$window" | sed -n 's/.*vuruzid busy \([0-9]*\) fps.*/\1/p')
  ticks=$(awk 'NR == FNR {before[$1] = $2; next} {total += $2 - ($1 in before ? before[$1] : 0)} END {print total}' \
    "$dir/before" "$dir/after")
  # Per cent of one core.
  echo "$kind $mode $(awk -v t="$ticks" -v s="$seconds" -v hz="$(getconf CLK_TCK)" 'BEGIN {printf "%.1f", 100 * t / hz / s}') ${fps:-?} $(cut -d' ' -f1 /proc/loadavg)"
}

case ${1:-} in
  --focus) shift; focus_case "$@"; exit ;;
  --cpu) shift; cpu_case "$@"; exit ;;
esac

[ -n "${DISPLAY:-}" ] || { echo "run it under scripts/with-xserver.sh" >&2; exit 2; }
work=$(mktemp -d /tmp/vuruzid-measure-XXXXXX)
"$python" "$here/serve_page.py" "$here" > "$work/port" 2>/dev/null &
server=$!
trap 'kill $server; wait 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
base="http://127.0.0.1:$(head -n1 "$work/port")"

case ${1:-} in
  focus)
    for kind in firefox-esr chromium; do
      PRIVATE_HOME="$work/$kind/home" private_session bash "$0" --focus "$kind" "$base/form.html" "$work/$kind" "${2:-20}"
    done ;;
  cpu)
    runs=${2:-3} seconds=${3:-20}
    echo "browser mode cpu%-of-one-core fps load"
    for run in $(seq "$runs"); do
      for kind in chromium firefox-esr; do
        for mode in off on reader screen-reader; do
          dir="$work/$kind-$mode-$run"
          PRIVATE_HOME="$dir/home" private_session bash "$0" --cpu "$kind" "$mode" "$base/busy.html" "$dir" "$seconds" |
            tee -a "$work/cpu"
        done
      done
    done
    echo "medians of $runs runs:"
    sort -k1,1 -k2,2 -k3,3n "$work/cpu" | awk '{key = $1 " " $2; v[key] = v[key] " " $3; f[key] = f[key] " " $4}
      END {for (k in v) print k ":" v[k] "  fps" f[k]}' | sort |
      while read -r line; do
        key=${line%%:*} rest=${line#*: }
        cpu=${rest%%  fps*}
        read -r -a c <<< "$cpu"
        echo "  $key: cpu ${c[$(( ${#c[@]} / 2 ))]} % (runs: $cpu), fps${rest#*fps}"
      done ;;
  *) echo "usage: measure.sh focus [MOVES] | cpu [RUNS] [SECONDS]" >&2; exit 2 ;;
esac
