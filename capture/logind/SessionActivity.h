#pragma once

#include <functional>
#include <string>

namespace vuruzid::capture::logind {

class SessionWatch;

// Whether this login session is the one in front (logind's Active) and
// whether it is locked (logind's LockedHint, which a screen locker sets),
// followed through their change signal. The keyboard devices also deliver what
// is typed on another virtual terminal, at the login screen or in another
// user's session, so the device route reads keys only while this says active;
// and a locker's keys go nowhere to be checked.
//
// Where logind cannot be asked (no system bus, no logind, no session for this
// process), the session counts as active and unlocked: the caller then
// behaves as without this watch, and Unwatched() says why. Changes are told on
// the thread that started the watch, from its event loop; nothing is told
// after Stop() or destruction, and the sink may end the watch.
class SessionActivity {
 public:
  // Told of every change of Active() or Locked(), with the new Active() (the
  // same as before when only Locked() changed).
  using ActivitySink = std::function<void(bool active)>;

  explicit SessionActivity(ActivitySink onChanged);
  ~SessionActivity();
  SessionActivity(const SessionActivity&) = delete;
  SessionActivity& operator=(const SessionActivity&) = delete;

  // Asks logind once which session this is and whether it is active and
  // locked, and subscribes to its changes. Never blocks long: the bus and each
  // question wait a short while for their answer, and none is asked again later.
  void Start();
  void Stop();

  bool Active() const { return active_; }
  bool Locked() const { return locked_; }
  // Empty while watched; else a reason a person can read.
  const std::string& Unwatched() const { return unwatched_; }
  // The session followed, as logind names its object; empty while unwatched.
  const std::string& SessionPath() const { return sessionPath_; }

 private:
  friend class SessionWatch;

  void Follow(bool active, bool locked);
  void CloseWatch();

  ActivitySink onChanged_;
  bool active_ = true;
  bool locked_ = false;
  std::string unwatched_ = "the session is not watched yet";
  std::string sessionPath_;
  SessionWatch* watch_ = nullptr;  // owned; outlives Stop() only when stopped from its own signal
};

}  // namespace vuruzid::capture::logind
