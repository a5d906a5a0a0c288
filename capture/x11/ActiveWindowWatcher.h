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
// property-change events (never polled), and that window's WM_CLASS. A
// connection of its own, served by a socket notifier on the thread that
// started it.
class ActiveWindowWatcher {
 public:
  struct Active {
    ProgramName program;      // empty when no window is active or it has no class
    bool thisProcess = false;  // the window is one of this program's own
  };
  using ActiveSink = std::function<void(const Active&)>;

  explicit ActiveWindowWatcher(ActiveSink onChanged);
  ~ActiveWindowWatcher();
  ActiveWindowWatcher(const ActiveWindowWatcher&) = delete;
  ActiveWindowWatcher& operator=(const ActiveWindowWatcher&) = delete;

  // False, with a reason a person can read, without a display or a window
  // manager that names the active window.
  bool Start(std::string* whyNot);
  const Active& Current() const { return current_; }

 private:
  void OnReadable();
  void ReadActiveWindow();

  ActiveSink onChanged_;
  _XDisplay* display_ = nullptr;
  std::unique_ptr<ConnectionGuard> guard_;
  unsigned long activeAtom_ = 0, pidAtom_ = 0, root_ = 0, activeWindow_ = 0;
  QSocketNotifier* notifier_ = nullptr;
  Active current_;
  DispatchGuard dispatch_;  // the handler may destroy this watcher
};

}  // namespace vuruzid::capture::x11
