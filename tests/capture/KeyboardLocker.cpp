// A stand-in for a screen locker, for the tests of grab detection: it maps an
// override-redirect window over the whole screen and grabs the keyboard, as
// i3lock, slock and xsecurelock do (core grab), or as GTK lockers do through
// the input extension (XI2 device grab).
//
//   capture_test_locker [core|xi2] [own|root]
//
// "own" grabs on its own window, "root" on the root window. It prints
// "grabbed" once the grab holds, then reads lines on standard input:
// "ungrab" lets go (prints "released"), "grab" grabs again, "focus" gives its
// window the input focus while it holds the grab (prints "focused"), "quit" or
// the end of input ends it (the server lets go of a closing client's grab).
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr int kVirtualCoreKeyboard = 3;

bool Grab(Display* display, Window window, bool xi2) {
  if (!xi2) return XGrabKeyboard(display, window, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_KeyPress);
  XISetMask(bits, XI_KeyRelease);
  XIEventMask mask{kVirtualCoreKeyboard, sizeof bits, bits};
  return XIGrabDevice(display, kVirtualCoreKeyboard, window, CurrentTime, 0, XIGrabModeAsync, XIGrabModeAsync, False,
                      &mask) == GrabSuccess;
}

void Ungrab(Display* display, bool xi2) {
  if (xi2)
    XIUngrabDevice(display, kVirtualCoreKeyboard, CurrentTime);
  else
    XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
}

// Lockers retry for a while: another client (a menu, a shortcut) may hold the keyboard.
bool GrabSoon(Display* display, Window window, bool xi2) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (Grab(display, window, xi2)) return true;
    usleep(20000);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool xi2 = argc > 1 && std::strcmp(argv[1], "xi2") == 0;
  const bool onRoot = argc > 2 && std::strcmp(argv[2], "root") == 0;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "no X display\n");
    return 2;
  }
  int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
  if (xi2 && (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
              XIQueryVersion(display, &major, &minor) != Success)) {
    std::fprintf(stderr, "no XI2\n");
    return 2;
  }
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.event_mask = StructureNotifyMask;
  const Window window =
      XCreateWindow(display, root, 0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen), 0,
                    CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask,
                    &attributes);
  XMapRaised(display, window);
  for (XEvent mapped;;) {
    XWindowEvent(display, window, StructureNotifyMask, &mapped);
    if (mapped.type == MapNotify) break;
  }
  const Window grabWindow = onRoot ? root : window;
  if (!GrabSoon(display, grabWindow, xi2)) {
    std::fprintf(stderr, "the keyboard cannot be grabbed\n");
    return 1;
  }
  XSync(display, False);
  std::cout << "grabbed" << std::endl;
  for (std::string line; std::getline(std::cin, line) && line != "quit";) {
    if (line == "ungrab") {
      Ungrab(display, xi2);
      std::cout << "released" << std::endl;
    } else if (line == "focus") {
      XSetInputFocus(display, window, RevertToParent, CurrentTime);
      XSync(display, False);
      std::cout << "focused" << std::endl;
    } else if (line == "grab") {
      if (!GrabSoon(display, grabWindow, xi2)) return 1;
      XSync(display, False);
      std::cout << "grabbed" << std::endl;
    }
  }
  XCloseDisplay(display);
  return 0;
}
