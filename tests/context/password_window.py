# A GTK 3 window with a plain entry and a password entry for the focus tests.
# Prints "ready" once shown, then reads commands on stdin: "plain" or
# "password" focuses that entry, "none" leaves no entry focused, "hang"
# focuses the plain entry and stops answering for three seconds, "slow N"
# makes the plain entry take N milliseconds to let the focus go (as a page's
# script may); anything else, or the end of stdin, quits. Tab moves from the
# plain entry to the password entry.
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

GLib.set_prgname("vuruzid-password-window")
window = Gtk.Window(title="Password window")
entries = {"plain": Gtk.Entry(), "password": Gtk.Entry(visibility=False)}
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
for entry in entries.values():
    box.add(entry)
window.add(box)
focus_out_delay = [0.0]


def slow_focus_out(*_):
    time.sleep(focus_out_delay[0])
    return False


entries["plain"].connect("focus-out-event", slow_focus_out)


def command(*_):
    line = sys.stdin.readline().strip()
    if line in entries:
        entries[line].grab_focus()
    elif line == "none":
        window.set_focus(None)
    elif line.startswith("slow "):
        focus_out_delay[0] = int(line.split()[1]) / 1000.0
    elif line == "hang":
        entries["plain"].grab_focus()
        time.sleep(3)
    else:
        Gtk.main_quit()
        return False
    return True


def shown(*_):
    print("ready", flush=True)


GLib.io_add_watch(sys.stdin.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, command)
window.connect("map-event", shown)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
