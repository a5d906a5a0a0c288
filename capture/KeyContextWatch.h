#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/KeyContext.h"

namespace vuruzid::capture {

namespace x11 {
class ActiveWindowWatcher;
}
namespace atspi {
class FocusWatcher;
}
namespace logind {
class SessionActivity;
}
namespace screensaver {
class ScreenSaverWatch;
}

// Follows where the keys go while checking is on: the active window's program
// and whether another client holds the keyboard (X11), the focused object and
// the active window on the accessibility bus (any session), whether the
// screen is locked (logind, the session's screen savers), and, for a key
// source that also sees other sessions' keys, whether this login session is
// the active one. What cannot be watched is simply not known: a watch that
// cannot start leaves the keys passing, and Notes() says why. The handler is
// told each change of the pause (and of the program a pause names), not
// each change of focus; the move handler
// is told, after the context is up to date, each time the focus or the
// active window moved.
class KeyContextWatch {
 public:
  using ContextSink = std::function<void(const KeyContext&)>;
  using MoveSink = std::function<void()>;

  // `onSettled` is told when the program asked by AskKeyboardOwner has
  // answered and is no browser: such a program moves its focus while it
  // handles the key, so its answer means the focus has been told, if it moved.
  KeyContextWatch(ContextSink onChanged, MoveSink onMoved = nullptr, MoveSink onSettled = nullptr);
  ~KeyContextWatch();
  KeyContextWatch(const KeyContextWatch&) = delete;
  KeyContextWatch& operator=(const KeyContextWatch&) = delete;

  // Starts every watch; the focus as it is now is looked up from the event
  // loop right after, and until it is known keys are held back.
  void Start(bool watchSession);
  void Stop();
  // Handles whatever the watches have received without waiting for it; true
  // when accessibility messages are waiting to be handled (a focus move may
  // be among them).
  bool Drain();
  // Asks the program that has the keyboard to answer once it has handled
  // what came before (a key or click that may move the focus);
  // KeyboardOwnerBusy() until it has. Never busy for a program that is not
  // on the accessibility bus.
  void AskKeyboardOwner();
  bool KeyboardOwnerBusy() const;

  const KeyContext& Context() const { return context_; }
  bool KeysPass() const { return context_.pause == Pause::NotPaused; }
  void SetProgramsLeftAlone(std::vector<std::string> programs);
  // The program other than this one that had the focus last; empty before any was seen.
  const std::string& LastProgram() const { return lastProgram_; }
  // Why a watch could not start, one reason a line.
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  void Update(bool moved = false);
  void LookUpFocus();
  // The X11 active window's process; 0 where none is followed or it is unknown.
  unsigned ActivePid() const;

  ContextSink onChanged_;
  MoveSink onMoved_;
  MoveSink onSettled_;
  FocusFacts facts_;  // as last seen
  std::vector<std::string> leftAlone_;
  std::unique_ptr<x11::ActiveWindowWatcher> activeWindow_;
  std::unique_ptr<atspi::FocusWatcher> focus_;
  std::unique_ptr<logind::SessionActivity> session_;
  std::unique_ptr<screensaver::ScreenSaverWatch> screenSaver_;
  bool watchSession_ = false;
  // What was last seen of the focus, to tell a move from other changes.
  ProgramName lastActiveProgram_;
  unsigned long lastActivePid_ = 0;
  uint64_t lastMoves_ = 0;
  bool lastWindowKnown_ = false;
  unsigned lastWindowPid_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for the look-up queued at Start
  KeyContext context_;
  std::string lastProgram_;
  std::vector<std::string> notes_;
};

}  // namespace vuruzid::capture
