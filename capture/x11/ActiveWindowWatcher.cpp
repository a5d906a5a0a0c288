#include "capture/x11/ActiveWindowWatcher.h"

// Qt before Xlib: Xlib's macros break Qt's headers.
#include <QSocketNotifier>

#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "capture/SocketNotifiers.h"
#include "capture/x11/ConnectionGuard.h"

namespace vuruzid::capture::x11 {
namespace {

// One value of a window property of format 32 (a window id or a process id); 0 when it has none.
unsigned long CardinalProperty(Display* display, Window window, Atom property, Atom type) {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  unsigned long value = 0;
  if (XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType, &format, &count, &after, &data) ==
          Success &&
      data != nullptr && format == 32 && count == 1)
    value = *reinterpret_cast<unsigned long*>(data);
  if (data != nullptr) XFree(data);
  return value;
}

}  // namespace

ActiveWindowWatcher::ActiveWindowWatcher(ActiveSink onChanged) : onChanged_(std::move(onChanged)) {}

ActiveWindowWatcher::~ActiveWindowWatcher() {
  DisposeNotifier(notifier_, dispatch_.InsideDispatch());
  if (display_ != nullptr) {
    const XErrorTrap trap;
    XCloseDisplay(display_);
  }
}

bool ActiveWindowWatcher::Start(std::string* whyNot) {
  const auto fail = [&](const char* reason) {
    if (whyNot) *whyNot = reason;
    return false;
  };
  const XErrorTrap trap;
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return fail("no X display can be reached to see which window is active.");
  guard_ = std::make_unique<ConnectionGuard>(display_);
  root_ = DefaultRootWindow(display_);
  activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
  // Selected before the first read, so no change can slip between the two.
  XSelectInput(display_, root_, PropertyChangeMask);
  ReadActiveWindow();
  guard_->TakeError();  // the active window may be gone already: then it has no class
  if (guard_->ConnectionLost()) return fail("the X display does not answer.");
  notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read);
  QObject::connect(notifier_, &QSocketNotifier::activated, [this] { OnReadable(); });
  return true;
}

void ActiveWindowWatcher::OnReadable() {
  dispatch_.Run([this](const bool&) {
    const XErrorTrap trap;
    bool changed = false;
    while (!guard_->ConnectionLost() && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      changed |= event.type == PropertyNotify && event.xproperty.atom == activeAtom_;
      // A window manager may leave the property naming a window that is gone.
      changed |= event.type == DestroyNotify && event.xdestroywindow.window == activeWindow_;
    }
    if (guard_->ConnectionLost()) {
      notifier_->setEnabled(false);  // the key source reports the lost display
      return;
    }
    if (!changed) return;
    const Active before = current_;
    ReadActiveWindow();
    guard_->TakeError();  // the window may be gone already: then it has no class
    if ((current_.program != before.program || current_.thisProcess != before.thisProcess) && onChanged_) {
      const ActiveSink onChanged = onChanged_;  // a copy: the handler may destroy this watcher
      onChanged(current_);
    }
  });
}

void ActiveWindowWatcher::ReadActiveWindow() {
  current_ = {};
  if (activeWindow_ != 0) XSelectInput(display_, activeWindow_, NoEventMask);
  Window window = CardinalProperty(display_, root_, activeAtom_, XA_WINDOW);
  // Told of its end; a window that is gone already is none (the error is taken by the caller).
  if (window != 0) XSelectInput(display_, window, StructureNotifyMask);
  XWindowAttributes attributes;
  if (window != 0 && XGetWindowAttributes(display_, window, &attributes) == 0) window = 0;
  activeWindow_ = window;
  if (window == 0) return;
  XClassHint hint{};
  if (XGetClassHint(display_, window, &hint) != 0) {
    if (hint.res_name != nullptr) current_.program.instance = hint.res_name;
    if (hint.res_class != nullptr) current_.program.className = hint.res_class;
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
  current_.thisProcess = CardinalProperty(display_, window, pidAtom_, XA_CARDINAL) == static_cast<unsigned long>(::getpid());
}

}  // namespace vuruzid::capture::x11
