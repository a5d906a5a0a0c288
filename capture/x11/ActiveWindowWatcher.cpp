#include "capture/x11/ActiveWindowWatcher.h"

// Qt before Xlib: Xlib's macros break Qt's headers.
#include <QSocketNotifier>

#include <strings.h>
#include <unistd.h>

#include <string_view>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "capture/SocketNotifiers.h"
#include "capture/x11/ConnectionGuard.h"
#include "capture/x11/ProcessExecutable.h"

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

// "host" and "host.example.org" name one machine.
std::string_view FirstLabel(std::string_view name) { return name.substr(0, name.find('.')); }

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
  // Selected before the first reads, so no change can slip between the two.
  // The root window hears of grabs while the focus is PointerRoot.
  XSelectInput(display_, root_, PropertyChangeMask | FocusChangeMask);
  ReadActiveWindow();
  FollowFocus();
  guard_->TakeError();  // the active window may be gone already: then it has no class
  if (guard_->ConnectionLost()) return fail("the X display does not answer.");
  notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read);
  QObject::connect(notifier_, &QSocketNotifier::activated, [this] { Drain(); });
  return true;
}

void ActiveWindowWatcher::Drain() {
  if (display_ == nullptr || draining_ || guard_->ConnectionLost()) return;
  dispatch_.Run([this](const bool&) {
    const XErrorTrap trap;
    draining_ = true;
    const Active before = current_;
    bool activeChanged = false, focusMoved = false;
    while (!guard_->ConnectionLost()) {
      // What has come in so far, without waiting for more.
      if (XEventsQueued(display_, QueuedAfterReading) == 0) {
        if (!activeChanged && !focusMoved) break;
        if (focusMoved) FollowFocus();
        if (activeChanged) ReadActiveWindow();
        guard_->TakeError();  // a window may be gone already: then it has no class
        activeChanged = focusMoved = false;
        continue;  // those round trips may have brought further events
      }
      XEvent event;
      XNextEvent(display_, &event);
      switch (event.type) {
        case FocusOut:
        case FocusIn:
          // A grab takes the focus away from the focus window (or from the
          // root, under PointerRoot) and gives it back when it ends, whatever
          // the grab window; a change while grabbed comes WhileGrabbed.
          if (event.xfocus.mode == NotifyGrab && event.type == FocusOut) current_.keyboardGrabbed = true;
          if (event.xfocus.mode == NotifyUngrab && event.type == FocusIn) current_.keyboardGrabbed = false;
          if (event.xfocus.mode == NotifyNormal || event.xfocus.mode == NotifyWhileGrabbed) focusMoved = true;
          break;
        case PropertyNotify:
          activeChanged |= event.xproperty.window == root_ && event.xproperty.atom == activeAtom_;
          break;
        case DestroyNotify:
          // A window manager may leave the property naming a window that is gone.
          activeChanged |= event.xdestroywindow.window == activeWindow_;
          break;
        default:
          break;
      }
    }
    draining_ = false;
    if (guard_->ConnectionLost()) {
      notifier_->setEnabled(false);  // the key source reports the lost display
      return;
    }
    if (current_ != before && onChanged_) {
      const ActiveSink onChanged = onChanged_;  // a copy: the handler may destroy this watcher
      onChanged(current_);
    }
  });
}

void ActiveWindowWatcher::Select(unsigned long window) {
  if (window == 0 || window == root_) return;
  // One selection per client and window, so the focus and the active window may share one.
  long mask = NoEventMask;
  if (window == activeWindow_) mask |= StructureNotifyMask;  // told of its end
  if (window == focusWindow_) mask |= FocusChangeMask;       // told of the focus leaving it and of grabs
  XSelectInput(display_, window, mask);
}

void ActiveWindowWatcher::FollowFocus() {
  // The new window is selected before the focus is asked again, so a move
  // after the selection is told by an event and one before it by the answer.
  for (int round = 0; round < 8; ++round) {
    Window focus = 0;
    int revertTo = 0;
    XGetInputFocus(display_, &focus, &revertTo);
    // PointerRoot (1) and None (0): the root window hears what there is to hear.
    const Window watched = focus == PointerRoot || focus == 0 || focus == root_ ? 0 : focus;
    if (watched == focusWindow_) return;
    const Window before = focusWindow_;
    focusWindow_ = watched;
    Select(before);
    Select(watched);
  }
}

bool ActiveWindowWatcher::OnThisMachine(unsigned long window) {
  XTextProperty text{};
  if (XGetWMClientMachine(display_, window, &text) == 0 || text.value == nullptr) return true;  // not said: here
  const std::string machine(reinterpret_cast<const char*>(text.value), text.nitems);
  XFree(text.value);
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return true;
  const std::string_view theirs = FirstLabel(machine.c_str()), ours = FirstLabel(host);
  return theirs.size() == ours.size() && strncasecmp(theirs.data(), ours.data(), ours.size()) == 0;
}

void ActiveWindowWatcher::ReadActiveWindow() {
  const bool grabbed = current_.keyboardGrabbed;
  current_ = {};
  current_.keyboardGrabbed = grabbed;
  const Window before = activeWindow_;
  Window window = CardinalProperty(display_, root_, activeAtom_, XA_WINDOW);
  activeWindow_ = window;
  Select(before);
  // Told of its end; a window that is gone already is none (the error is taken by the caller).
  Select(window);
  XWindowAttributes attributes;
  if (window != 0 && XGetWindowAttributes(display_, window, &attributes) == 0) window = activeWindow_ = 0;
  if (window == 0) return;
  XClassHint hint{};
  if (XGetClassHint(display_, window, &hint) != 0) {
    if (hint.res_name != nullptr) current_.program.instance = hint.res_name;
    if (hint.res_class != nullptr) current_.program.className = hint.res_class;
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
  // A process number of another machine names no process here.
  const unsigned long pid = CardinalProperty(display_, window, pidAtom_, XA_CARDINAL);
  if (pid != 0 && OnThisMachine(window)) {
    current_.pid = pid;
    current_.executable = ExecutableOfProcess(pid);
  }
  current_.thisProcess = current_.pid == static_cast<unsigned long>(::getpid());
}

}  // namespace vuruzid::capture::x11
