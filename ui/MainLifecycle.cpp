// The main window's start-up and shutdown handlers.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/AtomicFile.h"
#include "ui/BrowserChecking.h"
#include "ui/MainUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/WelcomwUnit.h"

namespace {

QSize PrimaryScreenSize() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->geometry().size();
  return {1024, 768};
}

}  // namespace

// Every step runs even when an earlier one failed, so the window is never
// left half built: a failure is reported and start-up goes on.
void TMainForm::FormCreate() {
  // Initial state: English, signal on, insert mode, checking off, compact, no
  // first run; the word lists and the settings list start empty.
  compact_ = 1;
  firstRun_ = 0;

  vuruzid::platform::RemoveStaleTemporaries(dataHome_ / "data");  // debris of saves killed mid-write
  RunReported([this] {
    const vuruzid::SettingsLoadResult loaded = vuruzid::LoadSettings(dataHome_, settingsList_);
    if (loaded.firstRun) firstRun_ = 1;
    if (loaded.writeFailed) vuruzid::ui::ShowErrorReport(QString::fromLatin1(vuruzid::kSettingsWriteError), this);
  });

  RunReported([this] {
    std::vector<std::string> problems;
    sideSettings_ = vuruzid::SideSettings::Load(dataHome_, vuruzid::capture::DefaultProgramsLeftAlone(), problems);
    for (const std::string& problem : problems) vuruzid::ui::ShowErrorReport(QString::fromStdString(problem), this);
    checking_.Capture().SetProgramsLeftAlone(sideSettings_.ProgramsLeftAlone());
    engine_.SetCorrectionsEnabled(sideSettings_.Corrections());
    engine_.SetCaseChecking(sideSettings_.CheckLetterCase());
    ApplyFollowTyping();
  });

  const QSize screen = PrimaryScreenSize();
  vuruzid::StartupSettings startup;
  RunReported([&] { startup = vuruzid::ReadStartupSettings(settingsList_, screen.width(), screen.height()); });

  RunReported([&] { engine_.ActivateLanguage(startup.language); });
  FollowLanguageInCapture();
  RunReported([&] { move(startup.left, startup.top); });
  RunReported([&] {
    engine_.setSignalEnabled(startup.signalEnabled);
    Image38->setVisible(startup.signalEnabled == 1);
  });
  RunReported([this] { ApplyShape(compact_); });
  minimizeGoesToTray_ = true;
  RefreshAutostartEntry();
  RefreshDisplays();
}

void TMainForm::FormShow() {
  RunReported([this] {
    engine_.ResetWord();  // empties the word display and the suggestion list
    RefreshDisplays();
  });
  if (firstRun_ == 1) {
    RunReported([this] {
      if (!welcomeForm_) return;
      welcomeForm_->ShowModal();
      if (welcomeForm_->CheckInBrowsersChosen()) vuruzid::ui::SetBrowserChecking(true, sideSettings_, this);
    });
    firstRun_ = 0;
  }
}

// FormClose: the settings are written, so are added words whose save failed
// (of both languages), and the window closes, which ends the program. A
// failed write is reported, naming any words lost; the program still ends.
void TMainForm::closeEvent(QCloseEvent* event) {
  SaveOnEnd(/*messageBoxes=*/true);
  event->accept();
}

bool TMainForm::WriteSettings(bool messageBoxes) {
  const vuruzid::ClosingState state{engine_.language(), x(), y(), IsStayOnTop(), engine_.signalEnabled()};
  if (vuruzid::SaveSettings(dataHome_, settingsList_, state)) return true;
  Report(vuruzid::kSettingsWriteError, messageBoxes);
  return false;
}

void TMainForm::Report(std::string_view message, bool messageBoxes) {
  if (messageBoxes)
    vuruzid::ui::ShowErrorReport(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())), this);
  else
    std::fprintf(stderr, "QOR_Vuruzid: %.*s\n", static_cast<int>(message.size()), message.data());
}

// Whatever ends the program comes here first; only the first end writes. With
// no one to read a message box (a signal, the session's end, the display
// gone), a failure is told on standard error, counting the words lost
// without naming them.
void TMainForm::SaveOnEnd(bool messageBoxes) {
  if (std::exchange(endSaved_, true)) return;
  try {
    WriteSettings(messageBoxes);
  } catch (const std::exception& error) {
    Report(error.what(), messageBoxes);
  }
  try {
    engine_.SaveAllUserWords();
  } catch (const std::exception& error) {
    if (messageBoxes) {
      Report(error.what(), messageBoxes);  // names the words: the user sees them on screen only
      return;
    }
    for (const int language : {vuruzid::SpellingEngine::kEnglish, vuruzid::SpellingEngine::kRussian})
      if (const size_t lost = engine_.UnsavedUserWordCount(language); lost > 0)
        std::fprintf(stderr, "QOR_Vuruzid: cannot write %s: %zu added word(s) are lost.\n",
                     (dataHome_ / vuruzid::SpellingEngine::UserWordFileName(language)).c_str(), lost);
  }
}

// FormDestroy: the correction worker ends first, so no answer outlives the
// window; an installed capture is removed before the word lists go.
TMainForm::~TMainForm() {
  corrections_.Stop();
  checking_.TurnOff();
}
