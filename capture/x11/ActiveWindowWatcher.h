#pragma once

#include <functional>
#include <memory>
#include <string>

#include "capture/ProgramName.h"
#include "capture/DispatchGuard.h"

class QSocketNotifier;
struct _XDisplay;

namespace vuruzid::capture::x11 {

class ConnectionGuard;

// Follows the active window of the X display named by DISPLAY: the window
// manager's _NET_ACTIVE_WINDOW on the root window, watched through its
// property-change events (never polled), that window's WM_CLASS and process;
// and whether another client holds the keyboard grabbed, told by the focus
// events the server sends when a grab begins and ends (nothing is grabbed
// here). A connection of its own, served by a socket notifier on the thread
// that started it.
class ActiveWindowWatcher {
 public:
  struct Active {
    ProgramName program;      // empty when no window is active or it has no class
    bool thisProcess = false;  // the window is one of this program's own
    // The active window's process (_NET_WM_PID); 0 when unknown, and for a
    // window that says it runs on another machine (WM_CLIENT_MACHINE).
    unsigned long pid = 0;
    // The file name of that process's executable ("firefox-esr"); empty when unknown.
    std::string executable;
    // Another client holds the keyboard grabbed: keys go to it, not to the
    // active window (a screen locker, an open menu, a window manager's
    // shortcut while its key is down). A grab that began before Start, or
    // while the input focus was None, is not seen.
    bool keyboardGrabbed = false;
    friend bool operator==(const Active&, const Active&) = default;
  };
  // Told, from the event loop or from Drain, whenever Current() changes.
  using ActiveSink = std::function<void(const Active&)>;

  explicit ActiveWindowWatcher(ActiveSink onChanged);
  ~ActiveWindowWatcher();
  ActiveWindowWatcher(const ActiveWindowWatcher&) = delete;
  ActiveWindowWatcher& operator=(const ActiveWindowWatcher&) = delete;

  // False, with a reason a person can read, without a display or a window
  // manager that names the active window.
  bool Start(std::string* whyNot);
  const Active& Current() const { return current_; }
  // Handles at once every event already received or waiting in the socket,
  // without waiting for more, as the notifier would later: a key source calls
  // it so that a focus or grab change that came with a key is seen before the
  // key. The handler may destroy this watcher.
  void Drain();

 private:
  void ReadActiveWindow();
  void FollowFocus();
  void Select(unsigned long window);
  bool OnThisMachine(unsigned long window);

  ActiveSink onChanged_;
  _XDisplay* display_ = nullptr;
  std::unique_ptr<ConnectionGuard> guard_;
  unsigned long activeAtom_ = 0, pidAtom_ = 0, root_ = 0, activeWindow_ = 0;
  unsigned long focusWindow_ = 0;  // the input focus when it is a window other than the root
  QSocketNotifier* notifier_ = nullptr;
  Active current_;
  bool draining_ = false;
  DispatchGuard dispatch_;  // the handler may destroy this watcher
};

}  // namespace vuruzid::capture::x11
