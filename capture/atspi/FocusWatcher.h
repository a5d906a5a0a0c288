#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

struct _AtspiAccessible;

namespace vuruzid::capture::atspi {

// What the accessibility bus says has the keyboard focus, and which window is active.
struct Focus {
  bool passwordField = false;  // a password entry has the focus
  std::string application;     // the focused object's application name, as the bus gives it; empty when unknown
  unsigned pid = 0;            // that application's process; 0 when unknown
  // The application of the window the bus last named active. windowKnown is
  // false before any window was named and after the active one was
  // deactivated with no accessible window taking its place: then a program
  // that tells nothing (a terminal, a program without accessibility) has
  // the keyboard.
  bool windowKnown = false;
  std::string windowApplication;
  unsigned windowPid = 0;
  // The focus at the start has been looked up, or a focus event came since.
  bool lookedUp = false;
  // Counts the objects that gained the focus, so that every move is told,
  // also one between two fields of the same kind.
  uint64_t moves = 0;
  friend bool operator==(const Focus&, const Focus&) = default;
};

// Follows the keyboard focus and the active window on the accessibility bus
// (at-spi2-core, through libatspi), so that the checker can keep quiet while a
// password is typed. Events are delivered on the thread that started it, which
// must be the main thread running a Qt event loop over GLib (Qt's default on
// Linux), and only changes are reported. Stop() or destruction ends all
// callbacks; the focus callback may itself stop or destroy the watcher.
//
// It never switches accessibility on, but it does ask each application whose
// toolkit is Chromium for its attributes: that is how such browsers tell that
// a client reads them, and only then do they show their pages' fields.
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
  // waits up to three seconds for a session bus or accessibility bus that does
  // not answer; once connected, the process keeps the connection and later
  // starts take about a millisecond. Current() is not looked up yet: see
  // LookUpFocus.
  bool Start(std::string* whyNot);
  // Ends the callbacks and forgets the focus: Current() is empty until the
  // next change after a Start.
  void Stop();
  const Focus& Current() const { return current_; }
  bool Running() const { return relay_ != nullptr; }

  // Looks up the focus as it is now: the active window (of process `pid`
  // where the caller knows which process has the keyboard, else of any
  // application) and the focused object inside it, asking the applications
  // with a time limit of its own (about a second and a half in all). Sets
  // lookedUp and reports the result; a focus event that comes later wins.
  void LookUpFocus(unsigned pid);

  // Reads what has arrived on the bus without waiting. True when messages are
  // waiting to be handled: a focus change may be among them, and the event
  // loop handles them within a few milliseconds.
  bool MessagesWaiting();

  // Asks the application that has the keyboard (the one run by process `pid`,
  // or the one that last gained the focus) a question that it answers only
  // once it has handled everything before, without waiting for the answer.
  // Busy() is true until the answer comes: it is still handling a key that
  // may move the focus. False when there is no application to ask.
  void AskApplication(unsigned pid);
  bool Busy() const { return pingOutstanding_; }
  // Told, from the event loop, when the application asked has answered (and
  // any focus event it sent before has been handled).
  void SetAnsweredHandler(std::function<void()> onAnswered) { onAnswered_ = std::move(onAnswered); }

  // The accessible toolkit of the application run by process `pid`
  // ("GTK", "Chromium", "Gecko", "Qt"); empty when none of its is known.
  std::string ToolkitOf(unsigned pid) const;

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
    unsigned pid = 0;
    std::string name;
    std::string toolkit;
    int toolkitAsks = 0;  // questions about the toolkit sent so far
    std::chrono::steady_clock::time_point failedAt{};  // when its name was last asked in vain
  };

  void OnFocused(const Object& object, bool gained, _AtspiAccessible* source);
  void OnWindow(const Object& object, bool activated, _AtspiAccessible* source);
  void OnApplicationGone(const std::string& busName);
  void ForgetWindow(Focus& focus);
  void OnApplicationAppeared(const std::string& busName);
  void AskToolkit(const std::string& busName);
  void OnToolkit(const std::string& busName, const std::string& toolkit, bool answered);
  void Ping();
  void OnPingAnswered(uint64_t ping);
  void OnPingSettled(uint64_t ping);
  Application& Known(const std::string& busName, _AtspiAccessible* source);
  void Report(const Focus& focus);

  FocusSink onFocusChanged_;
  std::function<void()> onAnswered_;
  Focus current_;
  Relay* relay_ = nullptr;
  uint64_t id_ = 0;             // names this watcher to answers that arrive later
  uint64_t pingsSent_ = 0;
  bool pingOutstanding_ = false;
  int pingRoundsLeft_ = 0;
  std::string pingedBusName_;
  Object passwordObject_;       // the password entry that has the focus, if any
  Object activeWindow_;         // the window the bus last named active
  std::string focusedBusName_;  // the application of the last object that gained the focus
  std::unordered_map<std::string, Application> applications_;  // by bus name, while they run
};

}  // namespace vuruzid::capture::atspi
