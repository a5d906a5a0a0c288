# Measures how long after a click or a Tab the browser's focus event reaches a
# client of the accessibility bus. Moves the focus between the fields of
# form.html (click the plain field, Tab, Tab, click the password field, ...),
# each move injected with XTest, and times it until the first focus event of
# an entry. Calls GetAttributes on every application first, as a screen
# reader does (Chromium shows its pages only then). A measurement, not a test.
#
#   python3 focus_delay.py WINDOW_X WINDOW_Y [MOVES]
import ctypes
import statistics
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

window_x, window_y = int(sys.argv[1]), int(sys.argv[2])
move_count = int(sys.argv[3]) if len(sys.argv) > 3 else 20
ENTRY_ROLES = {"entry", "text", "password text"}

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no X display")
TAB = x11.XKeysymToKeycode(display, 0xFF09)

# Heights of the fields below the window's top (150 px each, under the toolbars).
PLAIN_Y, PASSWORD_Y = 200, 350
moves = [("click", PLAIN_Y), ("tab", None), ("tab", None), ("click", PASSWORD_Y)]

waiting = {"since": None, "first_any": None}
results = []  # (kind, ms to the first focus event of an entry, role)


def on_focus(event):
    now = time.monotonic()
    if event.type.startswith("object:state-changed") and event.detail1 != 1:
        return
    if waiting["since"] is None:
        return
    try:
        role = event.source.get_role_name()
    except GLib.Error:
        return
    if waiting["first_any"] is None:
        waiting["first_any"] = now
    if role in ENTRY_ROLES:
        results.append((waiting["kind"], (now - waiting["since"]) * 1000, role))
        waiting["since"] = None


listener = Atspi.EventListener.new(on_focus)
listener.register("object:state-changed:focused")
listener.register("focus:")


def wake_applications():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(i)
        try:
            application.get_attributes()
        except GLib.Error:
            pass


def inject(kind, height):
    if kind == "click":
        xtst.XTestFakeMotionEvent(display, -1, window_x + 300, window_y + height, 0)
        x11.XSync(display, 0)
        xtst.XTestFakeButtonEvent(display, 1, 1, 0)
        xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    else:
        xtst.XTestFakeKeyEvent(display, TAB, 1, 0)
        xtst.XTestFakeKeyEvent(display, TAB, 0, 0)
    x11.XSync(display, 0)


loop = GLib.MainLoop()
state = {"move": 0, "missed": 0}


def next_move():
    if waiting["since"] is not None:  # the last move brought no focus event in time
        state["missed"] += 1
        waiting["since"] = None
    if state["move"] >= move_count:
        loop.quit()
        return False
    kind, height = moves[state["move"] % len(moves)]
    state["move"] += 1
    waiting.update(kind=kind, first_any=None)
    inject(kind, height)
    waiting["since"] = time.monotonic()
    return True


def start():
    wake_applications()
    GLib.timeout_add(700, next_move)
    return False


GLib.timeout_add(2500, start)  # time for the pages to appear on the bus once woken
loop.run()


def summary(kind):
    delays = sorted(ms for k, ms, _ in results if k == kind)
    if not delays:
        return f"{kind}: no focus event"
    return (f"{kind} ({len(delays)}): median {statistics.median(delays):.0f} ms, "
            f"best {delays[0]:.0f} ms, worst {delays[-1]:.0f} ms")


roles = sorted({role for _, _, role in results})
print(f"moves {state['move']}, focus events of an entry {len(results)}, none within 700 ms {state['missed']}; "
      f"roles {', '.join(roles)}")
print("  " + summary("click"))
print("  " + summary("tab"))
print("  in order: " + ", ".join(f"{k} {role} {ms:.0f}" for k, ms, role in results))
alldelays = sorted(ms for _, ms, _ in results)
if alldelays:
    print(f"  all: median {statistics.median(alldelays):.0f} ms, worst {alldelays[-1]:.0f} ms")
