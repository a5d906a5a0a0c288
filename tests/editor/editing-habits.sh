#!/usr/bin/env bash
# Editing habits in a real GTK 3 text view under the X session, watched by
# vuruzid-keywatch: a click between the two halves of a word, Home and End, a
# pasted word continued by letters, a typo left in the text. Keys and clicks
# are real XTest input; the view's own text is what the verdicts must fit.
# Exits 77 (skipped) where this cannot run, saying why.
#   editing-habits.sh BUILD_FOLDER
set -u

here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # Debian's, with the GTK bindings
build=$(cd "${1:?usage: editing-habits.sh BUILD_FOLDER}" && pwd)
skip() { echo "skipped: $*"; exit 77; }
[ -n "${DISPLAY:-}" ] || skip "needs an X session (scripts/with-xserver.sh)"
"$python" -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null || skip "python3-gi with GTK 3 is not installed"
program=$build/QOR_Vuruzid
[ -x "$program/vuruzid-keywatch" ] || { echo "FAILED: $program/vuruzid-keywatch is not built"; exit 1; }

work=$(mktemp -d /tmp/vuruzid-editor-XXXXXX)
trap 'rm -rf "$work"' EXIT
timeout -k 5 50 "$python" "$here/editing_habits.py" "$program" "$work"
status=$?
[ "$status" -eq 124 ] && echo "FAILED: did not finish in 50 s"
exit "$status"
