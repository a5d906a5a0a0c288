# Stands in for a client of the accessibility bus such as the checker: listens
# for focus and window activation events and reads the attributes of every
# application once (which makes Chromium show its pages). With --all-events it
# also listens for what a screen reader follows (children, text, properties,
# states). Runs until ended. A measurement helper, not a test.
#
#   python3 reader_stand_in.py [--all-events]
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

listener = Atspi.EventListener.new(lambda event: None)
events = ["object:state-changed:focused", "window:activate", "window:deactivate"]
if "--all-events" in sys.argv[1:]:
    events += ["object:children-changed", "object:text-changed", "object:property-change", "object:state-changed",
               "object:text-caret-moved", "object:selection-changed", "document:load-complete"]
for name in events:
    listener.register(name)
woken = set()


def wake_applications():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        try:
            application = desktop.get_child_at_index(i)
            if application is None or application.get_process_id() in woken:
                continue
            application.get_attributes()
            woken.add(application.get_process_id())
        except GLib.Error:
            pass
    return True


GLib.timeout_add(500, wake_applications)
GLib.MainLoop().run()
