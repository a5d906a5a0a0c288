#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "capture/FocusGate.h"
#include "capture/KeyContextWatch.h"
#include "capture/KeyEventFilter.h"
#include "capture/KeySource.h"

class QTimer;

namespace vuruzid::capture {

// Receives each key-down of the desktop that goes where words are typed, and
// in order with them each press of a pointer's left, middle or right button
// (KeyStroke::pointerButton): a click may move the caret where no key tells.
using KeyDownHandler = std::function<void(const KeyStroke& key)>;

// Desktop-wide key-down capture, delivered on the thread that installed it
// between that thread's other events. It only watches: no application loses a
// key. Nothing is recorded while it is not installed. Keys and clicks going
// to a password field, a password program, a program left alone, a browser
// that shows no focus or a program that cannot be told, and those while the
// screen is locked or this login session is not in front, are held back
// (KeyContextWatch). After a key or click that may move the focus, the keys
// that follow wait until the desktop has told where it went (FocusGate).
class KeyCapture {
 public:
  explicit KeyCapture(KeyDownHandler onKeyDown);
  ~KeyCapture();  // removes an installed capture
  KeyCapture(const KeyCapture&) = delete;
  KeyCapture& operator=(const KeyCapture&) = delete;

  // Installs the capture; false, with a reason a user can read, when it cannot start.
  bool Install(std::string* whyNot);
  void Remove();
  bool IsInstalled() const { return HookHandle() != 0; }
  // Identifies the installed capture; 0 when none is installed.
  uintptr_t HookHandle() const;

  // Called, from the event loop, with a reason a user can read when an
  // installed capture stops by itself (the X server went away); the capture
  // is removed by then.
  void SetStoppedHandler(std::function<void(const std::string&)> onStopped) { onStopped_ = std::move(onStopped); }

  // A note to show once when the installed capture cannot see the keys of
  // some applications (X11 keys in a Wayland session); empty when it sees
  // every key or nothing is installed.
  // The note says why the routes that see more keys did not start.
  std::string SessionWarning() const { return source_ ? sessionWarning_ : std::string(); }

  // Whether the installed capture tells the keyboard's layout switches
  // (KeySource::SeesLayoutSwitches); false while none is installed.
  bool SeesLayoutSwitches() const { return source_ && source_->SeesLayoutSwitches(); }

  // Whether the user types a Latin script now; kept for later installations.
  void SetLatinTyping(bool latin);

  // Told each time keys start or stop being held back, and why.
  void SetContextHandler(KeyContextWatch::ContextSink onContext) { onContext_ = std::move(onContext); }
  const KeyContext& Context() const { return context_.Context(); }
  void SetProgramsLeftAlone(std::vector<std::string> programs) { context_.SetProgramsLeftAlone(std::move(programs)); }
  const std::string& LastProgram() const { return context_.LastProgram(); }
  // Why some of the context cannot be watched, one reason a line.
  const std::vector<std::string>& ContextNotes() const { return context_.Notes(); }

 private:
  void OnKeyEvent(const KeyEvent& event);
  void Deliver(const KeyDown& key);
  void OnContextChanged(const KeyContext& context);
  void OnFocusMoved();
  void OnGateTimer();
  void ArmGateTimer();

  std::unique_ptr<KeySource> source_;
  KeyDownHandler onKeyDown_;
  std::function<void(const std::string&)> onStopped_;
  KeyContextWatch::ContextSink onContext_;
  KeyEventFilter keys_;  // outlives each installation: the Insert toggle is kept
  KeyContextWatch context_;
  FocusGate gate_;
  std::unique_ptr<QTimer> gateTimer_;
  bool heldThisTurn_ = false;  // see OnKeyEvent
  KeyScript lastScript_ = KeyScript::Unknown;  // of the last key delivered
  std::string sessionWarning_;
  bool latinTyping_ = true;
};

// The checking on/off switch of the main window and the display it drives.
class CheckingSwitch {
 public:
  CheckingSwitch(KeyDownHandler onKeyDown, std::function<void(const std::string&)> showMessage);

  // The on/off button: switches capture on, or off. When capture cannot
  // start, the user is told why and checking stays off.
  void Toggle();
  // Switches checking off if it is on (also used before changing the on-top style).
  void TurnOff();

  // Called after every change of the state below, including checking going
  // off by itself when the X server goes away, so the display can follow.
  void SetStateChangedHandler(std::function<void()> onStateChanged) { onStateChanged_ = std::move(onStateChanged); }

  int CheckingOn() const { return checkingOn_; }
  // Caption of the on/off button: what the next press will do.
  std::string_view ToggleCaption() const { return checkingOn_ ? "off" : "on"; }
  bool IndicatorVisible() const { return checkingOn_ != 0; }
  uintptr_t HookHandle() const { return capture_.HookHandle(); }
  // Whether the user types a Latin script now (see KeyCapture).
  void SetLatinTyping(bool latin) { capture_.SetLatinTyping(latin); }
  KeyCapture& Capture() { return capture_; }
  const KeyCapture& Capture() const { return capture_; }

 private:
  void Tell(const std::string& message) const;
  void StateChanged() const;

  KeyCapture capture_;
  std::function<void(const std::string&)> showMessage_;
  std::function<void()> onStateChanged_;
  int checkingOn_ = 0;
  bool warnedAboutSession_ = false;
};

}  // namespace vuruzid::capture
