# A GTK 3 editor for the typing tests and the replay bench: one TextView,
# monospace, wrapped on words, focused and kept so. Prints "ready" once the
# window is mapped and the view has the keyboard focus, then answers lines on
# standard input, each with one line:
#   dump PATH     writes the buffer to PATH (UTF-8)    -> "dumped CHARS"
#   where OFFSET  the root pixel inside the character at OFFSET, on its left
#                 half, where a click puts the caret before it (OFFSET past
#                 the end: just right of the last character)   -> "at X Y"
#   caret         the caret's offset                   -> "caret OFFSET"
#   selection     the selected text's bounds           -> "selection START END"
#   clear         empties the buffer                   -> "cleared"
#   load TEXT     the buffer becomes TEXT ("\n" a new line), the caret at
#                 its end, as a document opened before typing  -> "loaded"
#   quit, or the end of input, closes it.
# SIGUSR1 writes the buffer to the path given with --dump.
#   text_view.py [--dump PATH] [--title TITLE]
import argparse
import os
import signal
import sys
import time

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

arguments = argparse.ArgumentParser()
arguments.add_argument("--dump", default=None)
arguments.add_argument("--title", default="Editor under test")
options = arguments.parse_args()

GLib.set_prgname("vuruzid-text-view")
# No scrolling animation: a click aimed at a character must find it where it was told to be.
Gtk.Settings.get_default().set_property("gtk-enable-animations", False)
# Presses closer than this make a double-click; the typing tests keep separate clicks further apart
# (editor_session.XTest.SEPARATE_CLICKS), quick typing being quicker than a desktop's 400 ms.
Gtk.Settings.get_default().set_property("gtk-double-click-time", 200)
window = Gtk.Window(title=options.title)
window.set_default_size(1100, 700)
window.move(20, 20)
view = Gtk.TextView(monospace=True, wrap_mode=Gtk.WrapMode.WORD)
view.set_left_margin(6)
view.set_top_margin(6)
scroller = Gtk.ScrolledWindow()
scroller.add(view)
window.add(scroller)
buffer = view.get_buffer()
announced = [False]


def answer(line):
    print(line, flush=True)


def text():
    return buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)


def dump(path):
    content = text()
    with open(path, "w", encoding="utf-8") as out:
        out.write(content)
    return len(content)


def settle_scrolling():
    adjustment = scroller.get_vadjustment()
    deadline = time.monotonic() + 2.0
    last, still = None, 0
    while still < 3 and time.monotonic() < deadline:
        while Gtk.events_pending():
            Gtk.main_iteration_do(False)
        value = (adjustment.get_value(), adjustment.get_upper())
        still = still + 1 if value == last else 0
        last = value
        time.sleep(0.01)


def where(offset):
    """Root coordinates of a point a click at which leaves the caret before OFFSET."""
    end = buffer.get_char_count()
    spot = buffer.get_iter_at_offset(min(offset, end))
    # The text may have grown below the view: show the spot before asking where it is, and wait
    # for the scrolling to stop (lines are measured and scrolled to in idle time).
    view.scroll_to_iter(spot, 0.0, False, 0.0, 0.0)
    settle_scrolling()
    rectangle = view.get_iter_location(spot)
    x, y = view.buffer_to_window_coords(Gtk.TextWindowType.TEXT, rectangle.x, rectangle.y)
    if offset >= end:
        x += 2  # right of the last character: the caret lands at the end of that line
    else:
        x += max(1, rectangle.width // 4)
    y += rectangle.height // 2
    _, root_x, root_y = view.get_window(Gtk.TextWindowType.TEXT).get_origin()
    return root_x + x, root_y + y


pending = [b""]  # what came on standard input after its last full line


def on_input(source, condition):
    """Reads what has come (several lines may come at once) and answers each full line."""
    chunk = os.read(sys.stdin.fileno(), 65536)
    pending[0] += chunk
    *lines, pending[0] = pending[0].split(b"\n")
    for line in lines:
        if not command(line.decode("utf-8", "replace")):
            Gtk.main_quit()
            return False
    if not chunk:
        Gtk.main_quit()
        return False
    return True


def command(line):
    """Answers one line; False for quit."""
    # The keys and clicks sent before the question first: the answer is about the text they left.
    Gdk.Display.get_default().sync()
    while Gtk.events_pending():
        Gtk.main_iteration_do(False)
    words = line.split(maxsplit=1)
    if words and words[0] == "quit":
        return False
    if not words:
        return True
    try:
        if words[0] == "dump" and len(words) == 2:
            answer(f"dumped {dump(words[1].strip())}")
        elif words[0] == "where" and len(words) == 2:
            answer("at %d %d" % where(int(words[1])))
        elif words[0] == "caret":
            answer(f"caret {buffer.get_iter_at_mark(buffer.get_insert()).get_offset()}")
        elif words[0] == "selection":
            bounds = buffer.get_selection_bounds()
            start, end = (bounds[0].get_offset(), bounds[1].get_offset()) if bounds else (-1, -1)
            answer(f"selection {start} {end}")
        elif words[0] == "clear":
            buffer.set_text("")
            answer("cleared")
        elif words[0] == "load" and len(words) == 2:
            buffer.set_text(words[1].rstrip("\n").replace("\\n", "\n"))
            buffer.place_cursor(buffer.get_end_iter())
            answer("loaded")
        else:
            answer(f"unknown command: {line.strip()}")
    except (OSError, ValueError) as error:
        answer(f"failed: {error}")
    return True


def on_signal():
    if options.dump:
        dump(options.dump)
        answer("dumped")
    return True


def keep_focus(*_):
    # Another window taking the focus would send the typing elsewhere: take it back.
    if not view.has_focus():
        view.grab_focus()
    return False


def on_focus_in(*_):
    view.grab_focus()
    if not announced[0]:
        announced[0] = True
        GLib.idle_add(lambda: answer("ready") or False)
    return False


window.connect("focus-in-event", on_focus_in)
window.connect("focus-out-event", lambda *_: GLib.timeout_add(200, lambda: window.present() or False) and False)
view.connect("focus-out-event", lambda *_: GLib.idle_add(keep_focus) and False)
window.connect("destroy", Gtk.main_quit)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, on_signal)
GLib.io_add_watch(sys.stdin.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, on_input)
window.show_all()
view.grab_focus()
window.present_with_time(Gdk.CURRENT_TIME)
Gtk.main()
