// Minimizing to the notification area and back, the tray icon's menu, and
// moving the window.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QCursor>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <system_error>

#include "platform/DataFolder.h"
#include "platform/desktop/Autostart.h"
#include "ui/BrowserChecking.h"
#include "ui/MainUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/WindowFront.h"

namespace {

constexpr char kTrayToolTip[] = "QOR Reviv Oredur";

}  // namespace

void TMainForm::PostSysCommand(unsigned command) {
  QMetaObject::invokeMethod(this, [this, command] { WMSysCommand(command); }, Qt::QueuedConnection);
}

// Any minimize of the window (by the window manager, the task bar, the
// system) arrives here once start-up has bound it.
void TMainForm::MinimizeToTray() { PostSysCommand(kScMinimize); }

void TMainForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && minimizeGoesToTray_ && isMinimized() && isVisible())
    MinimizeToTray();
}

void TMainForm::WMSysCommand(unsigned command) {
  if (command == kScMinimize) {
    // Without a tray host an icon could not bring the window back: iconify
    // it normally instead.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
      if (!isMinimized()) showMinimized();
      return;
    }
    TrayIcon(kTrayAdd, appIcon_);
    hide();
    return;
  }
  switch (command & 0xFFF0) {
    case kScMove:
      StartDrag(QCursor::pos());
      break;
    case kScMinimize:
      showMinimized();
      break;
    case kScClose:
      close();
      break;
    default:
      break;
  }
}

void TMainForm::TrayIcon(int request, const QIcon& icon) {
  if (!trayIcon_) {
    trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setObjectName(QStringLiteral("TrayIcon"));
    // Queued like the shell's callback message: the icon may be removed by
    // the handler, which must not happen inside the icon's own event.
    connect(trayIcon_, &QSystemTrayIcon::activated, this, &TMainForm::WMTrayNotify, Qt::QueuedConnection);
  }
  if (request == kTrayAdd) {
    trayIcon_->setIcon(icon);
    trayIcon_->setToolTip(QString::fromLatin1(kTrayToolTip));
    trayIcon_->show();
  } else if (request == kTrayDelete) {
    trayIcon_->hide();
  }
}

bool TMainForm::IsInTray() const { return trayIcon_ && trayIcon_->isVisible(); }

void TMainForm::WMTrayNotify(QSystemTrayIcon::ActivationReason reason) {
  const QPoint cursor = QCursor::pos();
  switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
      TrayIcon(kTrayDelete, appIcon_);
      RestoreFromTray();
      break;
    case QSystemTrayIcon::Context:
      // Popped up empty it would show nothing but hold the pointer,
      // swallowing the next click on the icon.
      if (!PopupMenu1->isEmpty()) PopupMenu1->popup(cursor);
      break;
    default:
      break;
  }
}

// A right click anywhere on the window that is not a text of its own opens
// the tray's menu there: the options are at hand while the window is shown.
void TMainForm::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (!PopupMenu1->isEmpty()) PopupMenu1->popup(event->globalPos());
}

void TMainForm::BringForward() {
  // Not yet shown means the welcome dialog of a first run is up: only it comes forward.
  if (IsInTray() || isVisible()) {
    if (IsInTray()) TrayIcon(kTrayDelete, appIcon_);
    RestoreFromTray();
  }
  if (QWidget* dialog = QApplication::activeModalWidget()) vuruzid::ui::ShowInFront(dialog);
}

// Shows the window again in the shape, place and style it had when hidden.
void TMainForm::RestoreFromTray() { vuruzid::ui::ShowInFront(this); }

// A press on the background: the window manager moves the window while the
// button is held; without one, the window follows the pointer itself.
void TMainForm::StartDrag(QPoint globalPos) {
  QWindow* window = windowHandle();
  manualDrag_ = !(window && window->startSystemMove());
  dragOffset_ = globalPos - pos();
}

void TMainForm::ContinueManualDrag(QPoint globalPos) {
  if (manualDrag_) move(globalPos - dragOffset_);
}

void TMainForm::BuildTrayMenu() {
  // Each entry runs its action as a button does (an error is reported), then
  // the menu shows the states as they now are.
  const auto add = [this](const char* name, const QString& text, bool checkable, std::function<void(bool)> action) {
    QAction* entry = PopupMenu1->addAction(text);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setCheckable(checkable);
    connect(entry, &QAction::triggered, this, [this, action = std::move(action)](bool checked) {
      RunReported([&] { action(checked); });
      UpdateTrayMenu();
    });
    return entry;
  };
  const bool checkable = true;
  trayShow_ = add("TrayShow", QStringLiteral("Show window"), !checkable, [this](bool) { BringForward(); });
  PopupMenu1->addSeparator();
  trayChecking_ = add("TrayChecking", QStringLiteral("Checking"), checkable, [this](bool) { Image28MouseUp(); });
  // The language button switches to the other language: choosing the one
  // already on does nothing.
  const auto chooseLanguage = [this](int language) {
    return [this, language](bool) {
      if (engine_.language() != language) Image11MouseUp();
    };
  };
  trayEnglish_ = add("TrayEnglish", QStringLiteral("English"), checkable, chooseLanguage(vuruzid::SpellingEngine::kEnglish));
  trayRussian_ = add("TrayRussian", QStringLiteral("Russian"), checkable, chooseLanguage(vuruzid::SpellingEngine::kRussian));
  auto* languages = new QActionGroup(PopupMenu1);
  languages->addAction(trayEnglish_);
  languages->addAction(trayRussian_);
  traySound_ = add("TraySound", QStringLiteral("Sound"), checkable, [this](bool on) { on ? Image12Click() : Image38Click(); });
  trayFollowLayout_ = add("TrayFollowLayout", QStringLiteral("Follow keyboard layout"), checkable,
                          [this](bool on) { SetFollowLayout(on); });
  trayFollowTyping_ = add("TrayFollowTyping", QStringLiteral("Follow my typing"), checkable,
                          [this](bool on) { SetFollowTyping(on); });
  trayCorrections_ = add("TrayCorrections", QStringLiteral("Corrections"), checkable, [this](bool on) { SetCorrections(on); });
  trayCheckInBrowsers_ = add("TrayCheckInBrowsers", QString::fromLatin1(vuruzid::ui::kCheckInBrowsersText), checkable,
                             [this](bool on) { vuruzid::ui::SetBrowserChecking(on, sideSettings_, this); });
  trayCheckLetterCase_ = add("TrayCheckLetterCase", QStringLiteral("Check letter case"), checkable,
                             [this](bool on) { SetCheckLetterCase(on); });
  trayLeaveProgram_ = add("TrayLeaveProgram", QStringLiteral("Don't check in a program"), checkable,
                          [this](bool) { ToggleLastProgram(); });
  PopupMenu1->addSeparator();
  trayStartAtLogin_ = add("TrayStartAtLogin", QStringLiteral("Start at login"), checkable,
                          [this](bool on) { SetStartAtLogin(on); });
  add("TrayMyWords", QStringLiteral("My words…"), !checkable, [this](bool) { ShowMyWords(); });
  add("TrayHelp", QStringLiteral("Help"), !checkable, [this](bool) { Image25MouseUp(); });
  PopupMenu1->addSeparator();
  // The close button's action; a window hidden in the tray is no visible
  // window whose closing ends the program, so the program is ended here.
  add("TrayQuit", QStringLiteral("Quit"), !checkable, [this](bool) {
    Image5MouseUp();
    if (!isVisible()) QCoreApplication::quit();
  });
  connect(PopupMenu1, &QMenu::aboutToShow, this, &TMainForm::UpdateTrayMenu);
}

void TMainForm::UpdateTrayMenu() {
  // Opened on the window itself, the menu has no window to show.
  trayShow_->setVisible(!isVisible());
  trayChecking_->setChecked(checking_.CheckingOn() != 0);
  const bool english = engine_.language() == vuruzid::SpellingEngine::kEnglish;
  trayEnglish_->setChecked(english);
  trayRussian_->setChecked(!english);
  traySound_->setChecked(engine_.signalEnabled() == 1);
  trayStartAtLogin_->setChecked(vuruzid::platform::StartsAtLogin(vuruzid::platform::AutostartFolderOfThisProcess()));
  trayFollowLayout_->setChecked(sideSettings_.FollowLayout());
  trayFollowTyping_->setChecked(sideSettings_.FollowTyping(checking_.Capture().SeesLayoutSwitches()));
  trayCorrections_->setChecked(engine_.CorrectionsEnabled());
  trayCheckLetterCase_->setChecked(engine_.CaseChecking());
  trayCheckInBrowsers_->setChecked(sideSettings_.CheckInBrowsers());
  // The program that had the focus before this menu was opened.
  const std::string& program = checking_.Capture().LastProgram();
  const vuruzid::capture::ProgramName name{program, program};
  const bool password = vuruzid::capture::ListNames(vuruzid::capture::PasswordPrograms(), name);
  trayLeaveProgram_->setText(program.empty() ? QStringLiteral("Don't check in a program")
                                             : QStringLiteral("Don't check in %1").arg(QString::fromStdString(program)));
  trayLeaveProgram_->setEnabled(!program.empty() && !password);  // password programs are never checked
  trayLeaveProgram_->setChecked(password || vuruzid::capture::ListNames(sideSettings_.ProgramsLeftAlone(), name));
}

// Follow my typing, never chosen, moves with it.
void TMainForm::SetFollowLayout(bool on) {
  std::string error;
  const bool written = sideSettings_.SetFollowLayout(on, &error);
  ApplyFollowTyping();
  if (!written) vuruzid::ui::ShowErrorReport(QString::fromStdString(error), this);
}

void TMainForm::SetFollowTyping(bool on) {
  std::string error;
  const bool written = sideSettings_.SetFollowTyping(on, &error);
  ApplyFollowTyping();
  if (!written) vuruzid::ui::ShowErrorReport(QString::fromStdString(error), this);
}

// Only a change reaches the engine: setting it starts the run of words anew.
void TMainForm::ApplyFollowTyping() {
  const bool on = sideSettings_.FollowTyping(checking_.Capture().SeesLayoutSwitches());
  if (engine_.FollowTyping() != on) engine_.SetFollowTyping(on);
}

// Off, the list is the neighbours alone again, at once.
void TMainForm::SetCorrections(bool on) {
  engine_.SetCorrectionsEnabled(on);
  RefreshDisplays();
  std::string error;
  if (!sideSettings_.SetCorrections(on, &error)) vuruzid::ui::ShowErrorReport(QString::fromStdString(error), this);
}

// From the next word on: a word already judged keeps its verdict.
void TMainForm::SetCheckLetterCase(bool on) {
  engine_.SetCaseChecking(on);
  std::string error;
  if (!sideSettings_.SetCheckLetterCase(on, &error)) vuruzid::ui::ShowErrorReport(QString::fromStdString(error), this);
}

void TMainForm::ToggleLastProgram() {
  const std::string program = checking_.Capture().LastProgram();
  if (program.empty()) return;
  std::string error;
  if (!sideSettings_.ToggleProgram(program, &error)) vuruzid::ui::ShowErrorReport(QString::fromStdString(error), this);
  checking_.Capture().SetProgramsLeftAlone(sideSettings_.ProgramsLeftAlone());
}

// The entry starts the program as the user's menu and desktop links do: an
// installed copy through its launcher, a portable one from its own folder.
vuruzid::platform::DesktopEntry TMainForm::AutostartEntry() const {
  vuruzid::platform::DesktopEntry entry;
  entry.name = "QOR Vuruzid";
  const std::filesystem::path launcher = vuruzid::platform::LauncherOfThisProcess();
  entry.target = launcher.empty() ? programFolder_ / "QOR_Vuruzid" : launcher;
  entry.workingDirectory = programFolder_;
  std::error_code ec;
  if (const auto icon = programFolder_ / "QOR_Vuruzid.png"; std::filesystem::is_regular_file(icon, ec)) entry.icon = icon;
  return entry;
}

void TMainForm::SetStartAtLogin(bool start) {
  std::string error;
  if (!vuruzid::platform::SetStartAtLogin(vuruzid::platform::AutostartFolderOfThisProcess(), start, AutostartEntry(), error))
    vuruzid::ui::ShowErrorReport(
        (start ? QStringLiteral("The program could not be set to start at login (%1).")
               : QStringLiteral("The program could not be kept from starting at login (%1)."))
            .arg(QString::fromStdString(error)),
        this);
}

// An entry an earlier version wrote lacks TryExec, which keeps a removed
// program from being started at every login. Not worth a message box at each
// start when it cannot be written: the next change of the option rewrites it.
void TMainForm::RefreshAutostartEntry() {
  std::string error;
  if (!vuruzid::platform::RefreshOwnAutostartEntry(vuruzid::platform::AutostartFolderOfThisProcess(), AutostartEntry(),
                                                   error))
    std::fprintf(stderr, "QOR_Vuruzid: %s\n", error.c_str());
}
