#include "support/X11Probe.h"

// Qt first: Xlib defines macros (Bool, Status) that Qt's headers cannot follow.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <stdexcept>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

namespace vuruzid::testing {

struct X11Probe::Connection {
  Display* display = nullptr;
  int xkbEventBase = -1;
  int bells = 0;
};

X11Probe::X11Probe() : connection_(new Connection) {
  connection_->display = XOpenDisplay(nullptr);
  if (!connection_->display) {
    delete connection_;
    throw std::runtime_error("cannot open the X display (is DISPLAY set?)");
  }
  int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (XkbQueryExtension(connection_->display, &opcode, &connection_->xkbEventBase, &error, &major, &minor))
    XkbSelectEvents(connection_->display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
  XSync(connection_->display, False);
}

int X11Probe::BellsRung() const {
  Display* d = connection_->display;
  XSync(d, False);
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == connection_->xkbEventBase &&
        reinterpret_cast<const XkbAnyEvent&>(event).xkb_type == XkbBellNotify)
      ++connection_->bells;
  }
  return connection_->bells;
}

X11Probe::~X11Probe() {
  XCloseDisplay(connection_->display);
  delete connection_;
}

QRegion X11Probe::Shape(unsigned long window) const {
  int count = 0, ordering = 0;
  XRectangle* rectangles =
      XShapeGetRectangles(connection_->display, window, ShapeBounding, &count, &ordering);
  QRegion region;
  for (int i = 0; i < count; ++i)
    region += QRect(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height);
  if (rectangles) XFree(rectangles);
  return region;
}

QStringList X11Probe::NetWmState(unsigned long window) const {
  Display* d = connection_->display;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  QStringList names;
  if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM, &type, &format,
                         &count, &after, &data) == Success &&
      data) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      char* name = XGetAtomName(d, atoms[i]);
      names << QString::fromLatin1(name);
      XFree(name);
    }
    XFree(data);
  }
  return names;
}

int X11Probe::WmState(unsigned long window) const {
  Display* d = connection_->display;
  const Atom wmState = XInternAtom(d, "WM_STATE", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  int state = -1;
  if (XGetWindowProperty(d, window, wmState, 0, 2, False, wmState, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    if (count > 0) state = static_cast<int>(reinterpret_cast<const long*>(data)[0]);
    XFree(data);
  }
  return state;
}

bool X11Probe::Viewable(unsigned long window) const {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(connection_->display, window, &attributes)) return false;
  return attributes.map_state == IsViewable;
}

void X11Probe::TypeKeysym(unsigned long keysym) const {
  Display* d = connection_->display;
  const KeyCode code = XKeysymToKeycode(d, keysym);
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  XSync(d, False);
}

bool RunXdotool(const QStringList& arguments) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), arguments);
  if (!xdotool.waitForStarted(5000)) return false;
  // The events it makes are handled meanwhile. Its end may be seen inside
  // processEvents(), after which waitForFinished() says false at once: the
  // state, not that answer, says when it is done.
  QDeadlineTimer deadline(10000);
  while (xdotool.state() != QProcess::NotRunning && !deadline.hasExpired())
    if (!xdotool.waitForFinished(5)) QCoreApplication::processEvents();
  if (xdotool.state() != QProcess::NotRunning) {
    xdotool.kill();
    xdotool.waitForFinished(1000);
    return false;
  }
  QCoreApplication::processEvents();
  return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

}  // namespace vuruzid::testing
