// The one place that knows every watch of where the keys go.
#include "capture/KeyContextWatch.h"

#include <QCoreApplication>
#include <QMetaObject>

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
#if VURUZID_CONTEXT_SCREENSAVER
#include "capture/screensaver/ScreenSaverWatch.h"
#else
namespace vuruzid::capture::screensaver {
class ScreenSaverWatch {};
}  // namespace vuruzid::capture::screensaver
#endif

namespace vuruzid::capture {
KeyContextWatch::KeyContextWatch(ContextSink onChanged, MoveSink onMoved, MoveSink onSettled)
    : onChanged_(std::move(onChanged)), onMoved_(std::move(onMoved)), onSettled_(std::move(onSettled)) {}

KeyContextWatch::~KeyContextWatch() {
  *alive_ = false;
  Stop();
}

void KeyContextWatch::Start(bool watchSession) {
  Stop();
  watchSession_ = watchSession;
  // In a Wayland session the X server's active window is only ever an X11
  // one: there the accessibility bus names the active window instead.
  if (!InWaylandSession() && !platform::EnvironmentValue("DISPLAY").empty()) {
    activeWindow_ = std::make_unique<x11::ActiveWindowWatcher>([this](const x11::ActiveWindowWatcher::Active& active) {
      const bool moved = active.program != lastActiveProgram_ || active.pid != lastActivePid_;
      lastActiveProgram_ = active.program;
      lastActivePid_ = active.pid;
      Update(moved);
    });
    std::string why;
    if (!activeWindow_->Start(&why)) {
      activeWindow_.reset();
      notes_.push_back("Programs left alone are not recognised: " + why);
    } else {
      lastActiveProgram_ = activeWindow_->Current().program;
      lastActivePid_ = activeWindow_->Current().pid;
    }
  }
#if VURUZID_CONTEXT_ATSPI
  focus_ = std::make_unique<atspi::FocusWatcher>([this](const atspi::Focus& focus) {
    const bool moved = focus.moves != lastMoves_ || focus.windowKnown != lastWindowKnown_ ||
                       focus.windowPid != lastWindowPid_;
    lastMoves_ = focus.moves;
    lastWindowKnown_ = focus.windowKnown;
    lastWindowPid_ = focus.windowPid;
    Update(moved);
  });
  // A browser handles a key in another process and tells of the focus later:
  // only others' answers count.
  focus_->SetAnsweredHandler([this] {
    if (onSettled_ && !IsBrowser(facts_.program, facts_.executable, facts_.toolkit)) {
      const MoveSink sink = onSettled_;
      sink();
    }
  });
  if (std::string why; !focus_->Start(&why)) {
    focus_.reset();
    notes_.push_back("Password fields are not recognised: " + why);
  } else {
    // Looked up from the event loop, so that switching checking on shows at
    // once; keys that come meanwhile wait in their sockets, and are judged
    // once the focus is known.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, alive = std::weak_ptr<bool>(alive_)] {
          if (const auto stillAlive = alive.lock(); stillAlive && *stillAlive) LookUpFocus();
        },
        Qt::QueuedConnection);
  }
#endif
#if VURUZID_CONTEXT_LOGIND
  session_ = std::make_unique<logind::SessionActivity>([this](bool) { Update(); });
  session_->Start();
  if (watchSession && !session_->Unwatched().empty())
    notes_.push_back("Keys of other sessions cannot be told apart: " + session_->Unwatched());
#endif
#if VURUZID_CONTEXT_SCREENSAVER
  screenSaver_ = std::make_unique<screensaver::ScreenSaverWatch>([this](bool) { Update(); });
  screenSaver_->Start();
  if (!screenSaver_->Unwatched().empty())
    notes_.push_back("A locked screen is recognised only by logind or its hold on the keyboard: " +
                     screenSaver_->Unwatched());
#endif
  Update();
}

void KeyContextWatch::Stop() {
  // A look-up queued by the last Start is for that start only.
  *alive_ = false;
  alive_ = std::make_shared<bool>(true);
  activeWindow_.reset();
  focus_.reset();
  session_.reset();
  screenSaver_.reset();
  notes_.clear();
  context_ = {};
  facts_ = {};
  lastActiveProgram_ = {};
  lastActivePid_ = 0;
  lastMoves_ = 0;
  lastWindowKnown_ = false;
  lastWindowPid_ = 0;
}

unsigned KeyContextWatch::ActivePid() const {
  return activeWindow_ ? static_cast<unsigned>(activeWindow_->Current().pid) : 0;
}

void KeyContextWatch::LookUpFocus() {
#if VURUZID_CONTEXT_ATSPI
  if (focus_) focus_->LookUpFocus(ActivePid());
#endif
}

bool KeyContextWatch::Drain() {
  if (activeWindow_) activeWindow_->Drain();
#if VURUZID_CONTEXT_ATSPI
  if (focus_) return focus_->MessagesWaiting();
#endif
  return false;
}

void KeyContextWatch::AskKeyboardOwner() {
#if VURUZID_CONTEXT_ATSPI
  if (focus_) focus_->AskApplication(ActivePid());
#endif
}

bool KeyContextWatch::KeyboardOwnerBusy() const {
#if VURUZID_CONTEXT_ATSPI
  if (focus_) return focus_->Busy();
#endif
  return false;
}

void KeyContextWatch::SetProgramsLeftAlone(std::vector<std::string> programs) {
  leftAlone_ = std::move(programs);
  Update();
}

void KeyContextWatch::Update(bool moved) {
  FocusFacts facts;
  bool ownWindow = false;
#if VURUZID_CONTEXT_LOGIND
  if (session_) {
    if (watchSession_) facts.sessionActive = session_->Active();
    facts.screenLocked = session_->Locked();
  }
#endif
#if VURUZID_CONTEXT_SCREENSAVER
  if (screenSaver_) facts.screenLocked = facts.screenLocked || screenSaver_->Active();
#endif
#if VURUZID_CONTEXT_ATSPI
  if (focus_) {  // (it hears nothing of this program's own windows)
    const atspi::Focus& focus = focus_->Current();
    facts.focusKnown = focus.lookedUp;
    facts.passwordField = focus.passwordField;
    if (!activeWindow_) {
      // No X11 active window to ask: the accessibility bus names the program.
      facts.programKnown = focus.windowKnown;
      const std::string& application = focus.windowKnown ? focus.windowApplication : focus.application;
      facts.program = {application, application};
      facts.toolkit = focus_->ToolkitOf(focus.windowPid);
      facts.focusSeenInProgram = focus.pid != 0 && focus.pid == focus.windowPid;
    }
  }
#endif
  if (activeWindow_) {
    const x11::ActiveWindowWatcher::Active& active = activeWindow_->Current();
    facts.program = active.program;
    facts.executable = active.executable;
    facts.keyboardGrabbed = active.keyboardGrabbed;
    ownWindow = active.thisProcess;
#if VURUZID_CONTEXT_ATSPI
    if (focus_) {
      const atspi::Focus& focus = focus_->Current();
      facts.toolkit = focus_->ToolkitOf(static_cast<unsigned>(active.pid));
      facts.focusSeenInProgram = active.pid != 0 && focus.pid == active.pid;
    }
#endif
    // This program's own window: its keys go to this program's dialogs.
    if (ownWindow) facts.focusKnown = true;
  }
  if (!ownWindow && !facts.program.empty()) lastProgram_ = facts.program.Shown();

  facts_ = facts;
  const KeyContext context{PauseFor(facts, leftAlone_), facts.program.Shown()};
  // A pause is told again when it names another program (the window says which).
  const bool changed = context.pause != context_.pause || (context.pause != Pause::NotPaused && context != context_);
  context_ = context;
  if (changed && onChanged_) {
    const ContextSink sink = onChanged_;  // a copy: the sink may stop this watch
    const std::shared_ptr<bool> alive = alive_;
    sink(context_);
    if (!*alive) return;
  }
  if (moved && onMoved_) {
    const MoveSink sink = onMoved_;
    sink();
  }
}

}  // namespace vuruzid::capture
