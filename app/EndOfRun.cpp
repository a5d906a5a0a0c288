#include "app/EndOfRun.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/EndSignals.h"

namespace {

// The one end that an exit() from inside Qt or Xlib (the display went away) still saves.
std::atomic<EndOfRun*> endAtExit{nullptr};

}  // namespace

EndOfRun::EndOfRun(int endSignals, const std::string& whyNoSignals, std::function<void()> saveOnEnd,
                   std::function<void()> saveNow)
    : saveOnEnd_(std::move(saveOnEnd)), saveNow_(std::move(saveNow)) {
  if (endSignals >= 0) {
    auto* notifier = new QSocketNotifier(endSignals, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, endSignals] {
      if (vuruzid::platform::TakeEndSignal(endSignals) != 0) EndNow();
    });
  } else {
    std::fprintf(stderr, "QOR_Vuruzid: %s; ending by a signal loses the settings of this run.\n", whyNoSignals.c_str());
  }

  // Whatever quits the event loop (the session manager's "die" among them) saves first.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { saveOnEnd_(); });
  // The session is about to end: save what a close saves, but the session may
  // still be cancelled, so the program goes on. No message box may ask anything.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { saveNow_(); });

  static const bool registered = std::atexit(&EndOfRun::SaveAtExit) == 0;
  if (registered) endAtExit = this;
}

EndOfRun::~EndOfRun() { endAtExit = nullptr; }

void EndOfRun::EndNow() {
  requested_ = true;
  saveOnEnd_();
  // Ends every event loop running, those of open dialogs too, and keeps new
  // ones from running; quit() would first ask the windows, and a modal dialog may refuse.
  QCoreApplication::exit(0);
}

void EndOfRun::SaveAtExit() {
  EndOfRun* end = endAtExit.exchange(nullptr);
  // The window's state belongs to the GUI thread: an exit() from any other saves nothing.
  if (end != nullptr && qApp != nullptr && QThread::currentThread() == qApp->thread()) end->saveOnEnd_();
}
