#pragma once

#include <functional>
#include <string>

namespace vuruzid::capture::screensaver {

class SaverWatch;

// Whether a screen saver or locker of the desktop is showing, as they announce
// on the session bus: ActiveChanged of org.freedesktop.ScreenSaver (KDE,
// xfce4-screensaver and others) and of GNOME's, MATE's, Cinnamon's and Xfce's
// own interfaces, heard from any sender so that a locker started later counts
// too. At the start, those whose name has an owner are asked (GetActive);
// none is ever started for it. Active() is true while any of them says so; a
// locker that leaves the bus no longer counts.
//
// Lockers grab the keyboard, yet the desktop's key capture still sees what is
// typed into them (a password): keys are held back while this says active.
//
// Without a session bus nothing is watched, Active() stays false and
// Unwatched() says why; with no screen saver on the bus it is watched and
// inactive. Changes are told on the thread that started the watch, from its
// event loop; nothing is told after Stop() or destruction, and the sink may
// end the watch.
class ScreenSaverWatch {
 public:
  using LockSink = std::function<void(bool locked)>;

  explicit ScreenSaverWatch(LockSink onChanged);
  ~ScreenSaverWatch();
  ScreenSaverWatch(const ScreenSaverWatch&) = delete;
  ScreenSaverWatch& operator=(const ScreenSaverWatch&) = delete;

  // Subscribes to the announcements, then asks the screen savers there now.
  // Never blocks long: the bus and the screen savers each get a short while
  // to answer (all screen savers together), and none is asked again later.
  void Start();
  void Stop();

  bool Active() const { return active_; }
  // Empty while watched; else a reason a person can read.
  const std::string& Unwatched() const { return unwatched_; }

 private:
  friend class SaverWatch;

  void Follow(bool active);
  void CloseWatch();

  LockSink onChanged_;
  bool active_ = false;
  std::string unwatched_ = "the screen savers are not watched yet";
  SaverWatch* watch_ = nullptr;  // owned; outlives Stop() only when stopped from its own signal
};

}  // namespace vuruzid::capture::screensaver
