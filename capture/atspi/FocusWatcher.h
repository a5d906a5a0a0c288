#pragma once

#include <functional>
#include <string>
#include <unordered_map>

struct _AtspiAccessible;

namespace vuruzid::capture::atspi {

// What the accessibility bus says has the keyboard focus.
struct Focus {
  bool passwordField = false;  // a password entry has the focus
  std::string application;     // the focused object's application name, as the bus gives it; empty when unknown
  friend bool operator==(const Focus&, const Focus&) = default;
};

// Follows the keyboard focus on the accessibility bus (at-spi2-core, through
// libatspi), so that the checker can keep quiet while a password is typed.
// It only listens: it never asks applications to switch their accessibility
// on. Events are delivered on the thread that started it, which must be the
// main thread running a Qt event loop over GLib (Qt's default on Linux), and
// only changes are reported. Stop() or destruction ends all callbacks; the
// focus callback may itself stop or destroy the watcher.
//
// What is known before the first focus change after Start is nothing: a
// password entry that had the focus already is seen only once the focus moves.
class FocusWatcher {
 public:
  using FocusSink = std::function<void(const Focus&)>;

  explicit FocusWatcher(FocusSink onFocusChanged);
  ~FocusWatcher();
  FocusWatcher(const FocusWatcher&) = delete;
  FocusWatcher& operator=(const FocusWatcher&) = delete;

  // false, with a reason a person can read, when there is no accessibility bus
  // (no session bus, at-spi2-core missing) or no GLib event loop to serve it;
  // nothing is watched then and the caller goes on without it. Connecting
  // waits up to three seconds for a session bus that does not answer; once
  // connected, the process keeps the connection and later starts take about a
  // millisecond.
  bool Start(std::string* whyNot);
  // Ends the callbacks and forgets the focus: Current() is empty until the
  // next change after a Start.
  void Stop();
  const Focus& Current() const { return current_; }
  bool Running() const { return relay_ != nullptr; }

 private:
  struct Relay;
  struct Object {
    std::string busName;  // the application's connection on the accessibility bus
    std::string path;
    friend bool operator==(const Object&, const Object&) = default;
  };

  struct Application {
    bool ours = false;   // this very process
    bool named = false;  // its name was answered
    std::string name;
  };

  void OnFocused(const Object& object, bool gained, _AtspiAccessible* source);
  void OnApplicationGone(const std::string& busName);
  const Application& Known(const std::string& busName, _AtspiAccessible* source);
  void Report(const Focus& focus);

  FocusSink onFocusChanged_;
  Focus current_;
  Relay* relay_ = nullptr;
  Object passwordObject_;      // the password entry that has the focus, if any
  std::string focusedBusName_;  // the application of the last object that gained the focus
  std::unordered_map<std::string, Application> applications_;  // by bus name, while they run
};

}  // namespace vuruzid::capture::atspi
