#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/KeyEventFilter.h"

struct _XDisplay;

namespace vuruzid::capture::testing {

using namespace std::chrono_literals;

// Runs the Qt event loop (where the capture's notifiers live) until `done`
// says so or the time is up; false on timeout.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 3000ms);
// Runs the event loop for a while, for things that must have no effect.
void PumpFor(std::chrono::milliseconds time);

// An ordinary X client of the test's own: a small focused window on the
// X server of DISPLAY, and real key events injected through XTest.
// One window serves all tests: a window manager tidying up after a closed
// window can take the focus away from the next one.
class TestDesktop {
 public:
  static TestDesktop& Shared();
  ~TestDesktop();
  TestDesktop(const TestDesktop&) = delete;
  TestDesktop& operator=(const TestDesktop&) = delete;

  _XDisplay* display() const { return display_; }
  // The test's window: it names this process (_NET_WM_PID) and machine, as toolkits do.
  unsigned long window() const { return window_; }
  // Gives the test's window the input focus.
  void TakeFocus();

  // Raw keycodes; each call is flushed and synchronised with the server.
  void Press(uint8_t keycode);
  void Release(uint8_t keycode);
  void Tap(uint8_t keycode);
  void TapAll(const std::vector<uint8_t>& keycodes);
  // Pointer buttons (1 left, 2 middle, 3 right, 4 to 7 the wheel), pressed
  // with the pointer over the test's window, where no window manager menu opens.
  void PressButton(unsigned button);
  void ReleaseButton(unsigned button);
  void Click(unsigned button);

  // How many key presses of `keycode` the window has received since the last call.
  int TakeKeyPresses(uint8_t keycode);
  // Sets the server's auto-repeat delay and interval (ms); returns the old ones.
  std::pair<unsigned, unsigned> SetAutoRepeat(unsigned delay, unsigned interval);

  // The keycode whose first symbol (group 1, level 1) is `keysym`; 0 when none.
  uint8_t KeycodeOfSymbol(unsigned long keysym) const;
  // The keycode called `keyName` in the active keycode set; 0 when none.
  uint8_t KeycodeOfName(std::string_view keyName) const;

  // Loads a keyboard description with setxkbmap (e.g. "us", "-keycodes xfree86 us").
  static void SetKeyboard(const std::string& setxkbmapArguments);

 private:
  TestDesktop();

  _XDisplay* display_ = nullptr;
  unsigned long window_ = 0;
  std::vector<uint8_t> pressesReceived_;
};

// Key-downs as the capture delivered them.
void PrintTo(const KeyDown& key, std::ostream* out);

struct DeliveredKeys {
  std::vector<KeyDown> keys;
  std::function<void(const KeyStroke&)> Handler() {
    return [this](const KeyStroke& key) { keys.push_back(key); };
  }
  std::vector<int> Codes() const;
  // Waits until the key-down `virtualKey` (a sentinel typed last) has come.
  bool WaitFor(uint8_t virtualKey, std::chrono::milliseconds timeout = 3000ms) const;
};

// A private X server (Xvfb) of one test, for faults the shared one must not
// suffer: a server without RECORD, a server that goes away.
class PrivateXServer {
 public:
  explicit PrivateXServer(const std::vector<std::string>& extraArguments = {});
  ~PrivateXServer();  // stops the server if it still runs
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  bool running() const { return pid_ > 0; }
  const std::string& displayName() const { return displayName_; }
  void Stop();

 private:
  pid_t pid_ = -1;
  std::string displayName_;
};

// Sets an environment variable for one scope and restores it after.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const char* value);  // nullptr unsets
  ~ScopedEnvironment();

 private:
  std::string name_;
  bool hadValue_ = false;
  std::string oldValue_;
};

}  // namespace vuruzid::capture::testing
