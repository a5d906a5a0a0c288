// The one place that knows every watch of where the keys go.
#include "capture/KeyContextWatch.h"

#include "capture/Session.h"
#include "capture/x11/ActiveWindowWatcher.h"
#include "platform/Environment.h"
// A build without a watch keeps an empty stand-in for its owner to hold.
#if VURUZID_CONTEXT_ATSPI
#include "capture/atspi/FocusWatcher.h"
#else
namespace vuruzid::capture::atspi {
class FocusWatcher {};
}  // namespace vuruzid::capture::atspi
#endif
#if VURUZID_CONTEXT_LOGIND
#include "capture/logind/SessionActivity.h"
#else
namespace vuruzid::capture::logind {
class SessionActivity {};
}  // namespace vuruzid::capture::logind
#endif

namespace vuruzid::capture {

KeyContextWatch::KeyContextWatch(ContextSink onChanged) : onChanged_(std::move(onChanged)) {}

KeyContextWatch::~KeyContextWatch() { Stop(); }

void KeyContextWatch::Start(bool watchSession) {
  Stop();
  // In a Wayland session the X server's active window is only ever an X11
  // one: there the accessibility bus names the focused application instead.
  if (!InWaylandSession() && !platform::EnvironmentValue("DISPLAY").empty()) {
    activeWindow_ = std::make_unique<x11::ActiveWindowWatcher>([this](const x11::ActiveWindowWatcher::Active&) { Update(); });
    std::string why;
    if (!activeWindow_->Start(&why)) {
      activeWindow_.reset();
      notes_.push_back("Programs left alone are not recognised: " + why);
    }
  }
#if VURUZID_CONTEXT_ATSPI
  focus_ = std::make_unique<atspi::FocusWatcher>([this](const atspi::Focus&) { Update(); });
  if (std::string why; !focus_->Start(&why)) {
    focus_.reset();
    notes_.push_back("Password fields are not recognised: " + why);
  }
#endif
#if VURUZID_CONTEXT_LOGIND
  if (watchSession) {
    session_ = std::make_unique<logind::SessionActivity>([this](bool) { Update(); });
    session_->Start();
    if (!session_->Unwatched().empty()) notes_.push_back("Keys of other sessions cannot be told apart: " + session_->Unwatched());
  }
#else
  (void)watchSession;
#endif
  Update();
}

void KeyContextWatch::Stop() {
  activeWindow_.reset();
  focus_.reset();
  session_.reset();
  notes_.clear();
  context_ = {};
}

void KeyContextWatch::SetProgramsLeftAlone(std::vector<std::string> programs) {
  leftAlone_ = std::move(programs);
  Update();
}

void KeyContextWatch::Update() {
  FocusFacts facts;
  bool ownWindow = false;
#if VURUZID_CONTEXT_LOGIND
  if (session_) facts.sessionActive = session_->Active();
#endif
#if VURUZID_CONTEXT_ATSPI
  if (focus_) {  // (it hears nothing of this program's own windows)
    facts.passwordField = focus_->Current().passwordField;
    const std::string& application = focus_->Current().application;
    if (!activeWindow_) facts.program = {application, application};
  }
#endif
  if (activeWindow_) {
    facts.program = activeWindow_->Current().program;
    ownWindow = activeWindow_->Current().thisProcess;
  }
  if (!ownWindow && !facts.program.empty()) lastProgram_ = facts.program.Shown();

  const KeyContext context{PauseFor(facts, leftAlone_), facts.program.Shown()};
  const bool pauseChanged = context.pause != context_.pause;
  context_ = context;
  if (pauseChanged && onChanged_) onChanged_(context_);
}

}  // namespace vuruzid::capture
