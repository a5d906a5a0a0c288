#pragma once

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

// Follows where the keys go while checking is on: the active window's program
// (X11), the focused object on the accessibility bus (any session), and, for a
// key source that also sees other sessions' keys, whether this login session
// is the active one. What cannot be watched is simply not known: a watch that
// cannot start leaves the keys passing, and Notes() says why. The handler is
// told each change of the pause, not each change of focus.
class KeyContextWatch {
 public:
  using ContextSink = std::function<void(const KeyContext&)>;

  explicit KeyContextWatch(ContextSink onChanged);
  ~KeyContextWatch();
  KeyContextWatch(const KeyContextWatch&) = delete;
  KeyContextWatch& operator=(const KeyContextWatch&) = delete;

  void Start(bool watchSession);
  void Stop();

  const KeyContext& Context() const { return context_; }
  bool KeysPass() const { return context_.pause == Pause::NotPaused; }
  void SetProgramsLeftAlone(std::vector<std::string> programs);
  // The program other than this one that had the focus last; empty before any was seen.
  const std::string& LastProgram() const { return lastProgram_; }
  // Why a watch could not start, one reason a line.
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  void Update();

  ContextSink onChanged_;
  std::vector<std::string> leftAlone_;
  std::unique_ptr<x11::ActiveWindowWatcher> activeWindow_;
  std::unique_ptr<atspi::FocusWatcher> focus_;
  std::unique_ptr<logind::SessionActivity> session_;
  KeyContext context_;
  std::string lastProgram_;
  std::vector<std::string> notes_;
};

}  // namespace vuruzid::capture
