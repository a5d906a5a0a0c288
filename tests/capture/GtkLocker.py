# A GTK screen locker's way with the keyboard, for the grab tests: a popup
# window over the screen and a seat grab (an XI2 device grab underneath).
# Same lines as capture_test_locker: prints "grabbed" once the grab holds;
# "ungrab" lets go (prints "released"), "quit" or the end of input ends it.
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

display = Gdk.Display.get_default()
seat = display.get_default_seat()
window = Gtk.Window(type=Gtk.WindowType.POPUP)
screen = window.get_screen()
window.move(0, 0)
window.set_default_size(screen.get_width(), screen.get_height())
window.show_all()
attempts = 0


def say(line):
    display.sync()
    print(line, flush=True)


def grab():
    global attempts
    attempts += 1
    status = seat.grab(window.get_window(), Gdk.SeatCapabilities.KEYBOARD, False, None, None, None)
    if status == Gdk.GrabStatus.SUCCESS:
        say("grabbed")
        return False
    if attempts >= 100:
        print("the keyboard cannot be grabbed", file=sys.stderr)
        sys.exit(1)
    return True  # another client holds it: try again, as lockers do


def on_input(source, condition):
    line = source.readline()
    if not line or line.strip() == "quit":
        Gtk.main_quit()
        return False
    if line.strip() == "ungrab":
        seat.ungrab()
        say("released")
    return True


GLib.timeout_add(20, grab)
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
Gtk.main()
