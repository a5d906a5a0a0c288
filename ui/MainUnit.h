#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/KeyCapture.h"
#include "engine/LetterCase.h"
#include "engine/SpellingEngine.h"
#include "platform/desktop/DesktopEntry.h"
#include "settings/Settings.h"
#include "settings/SideSettings.h"
#include "ui/CorrectionWorker.h"
#include "ui/ImageButton.h"
#include "ui/WindowShape.h"

class QAction;
class QContextMenuEvent;
class QLabel;
class QListWidgetItem;
class QMenu;
class TAddWordForm;
class THelpForm;
class TMyWordsForm;
class TWelcomeForm;

namespace vuruzid::ui {
class BackgroundPicture;
class SuggestionList;
}

namespace vuruzid::ui {
// A correction as the list shows it (capitals), as it goes to the clipboard:
// in the case the word was typed in, with the apostrophe the dictionaries
// spell as a grave accent.
QString CorrectionToCopy(const QString& listed, vuruzid::LetterCase typedCase);
}  // namespace vuruzid::ui

// The program's only permanent window: borderless, skinned and shaped, showing
// the word being typed, the insert/overwrite state, the language, and a wrong
// word's corrections and the neighbouring dictionary words. It owns all
// program state from creation (FormCreate) to destruction (FormDestroy); every
// command is an image button.
class TMainForm : public QWidget {
  Q_OBJECT
 public:
  // WM_SYSCOMMAND commands the window understands.
  static constexpr unsigned kScMove = 0xF010, kScMinimize = 0xF020, kScClose = 0xF060;
  static constexpr unsigned kScMoveByCaption = kScMove + 2;  // a drag started on the background

  // Builds the window and runs FormCreate. `programFolder` holds the language
  // libraries and the help pages; `dataHome` holds data/ (empty: the program folder).
  explicit TMainForm(std::filesystem::path programFolder = std::filesystem::current_path(),
                     std::filesystem::path dataHome = {});
  ~TMainForm() override;  // FormDestroy

  // The dialogs the window opens (created after it, destroyed before it).
  void SetDialogs(TAddWordForm* addWord, THelpForm* help, TWelcomeForm* welcome, TMyWordsForm* myWords = nullptr);

  // Start-up and shutdown handlers.
  void FormShow();  // run once, just before the window is first shown
  // Writes the settings file now, as the close would; a failure is reported
  // in a message box, or on standard error. False when it could not be written.
  bool WriteSettings(bool messageBoxes);
  // What closing writes (the settings, added words whose save failed), once
  // however many ways the end arrives. Without message boxes, a failure goes
  // to standard error: nothing may hold up an end the session asked for.
  void SaveOnEnd(bool messageBoxes);

  // The window's shape and the actions of its buttons.
  void ApplyShape(int compact);
  void Image28MouseUp();  // checking on/off
  void Image8MouseUp();   // minimize (to the tray)
  void Image5MouseUp();   // close
  void Image37MouseUp();  // stay on top
  void Image25MouseUp();  // help
  void ShowMyWords();     // the own words of the current language, to take back or add
  void Image16MouseUp();  // compact / full
  void Image11MouseUp();  // language
  void Image29MouseUp();  // add word
  void Image38Click();    // signal off
  void Image12Click();    // signal on

  // Tray: the window's system commands, the icon's events, the icon itself and
  // the application's minimize handler.
  void WMSysCommand(unsigned command);
  void WMTrayNotify(QSystemTrayIcon::ActivationReason reason);
  void TrayIcon(int request, const QIcon& icon);
  void MinimizeToTray();
  static constexpr int kTrayAdd = 1, kTrayDelete = 2;
  // Another start of the program asks for the window: it comes back from the
  // tray or from being minimized, to the front, with any dialog open over it.
  void BringForward();

  // One key-down from the desktop: judged by the engine, shown at once; the
  // corrections of a word it finished wrong follow when they are found. A
  // pointer press over one of the program's own windows is passed over.
  void KeyDown(const vuruzid::KeyStroke& key);
  // No corrections are being found, and any found are on their way to the window.
  bool CorrectionWorkerIdle() const { return corrections_.Idle(); }
  // The capture's handler: keys stopped or started going where words are
  // typed (a password field, say). Nothing typed there may stay on display;
  // while checking is on and keys are held back, the word display says why.
  void ContextChanged(const vuruzid::capture::KeyContext& context);

  bool IsStayOnTop() const;
  bool IsInTray() const;
  int Compact() const { return compact_; }
  int FirstRun() const { return firstRun_; }
  const vuruzid::ui::RegionPointTable& RegionPoints() const { return regionPoints_; }
  vuruzid::SettingsList& SettingsList() { return settingsList_; }
  const vuruzid::SpellingEngine& Engine() const { return engine_; }
  vuruzid::SpellingEngine& Engine() { return engine_; }  // for the dialogs that change the word lists
  const vuruzid::capture::CheckingSwitch& Checking() const { return checking_; }
  const vuruzid::SideSettings& SideSettings() const { return sideSettings_; }
  const std::filesystem::path& ProgramFolder() const { return programFolder_; }
  const std::filesystem::path& DataHome() const { return dataHome_; }
  QSystemTrayIcon* TrayIconObject() const { return trayIcon_; }
  QMenu* TrayMenu() const { return PopupMenu1; }
  const QIcon& ApplicationIcon() const { return appIcon_; }

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  void changeEvent(QEvent* event) override;      // minimized by the system: to the tray
  void contextMenuEvent(QContextMenuEvent* event) override;  // the tray's menu, on the window

 private:
  void BuildElements();
  void BindActions();
  void FormCreate();
  // Tells the key capture whether the current language is typed in Latin
  // letters; called wherever the language changes.
  void FollowLanguageInCapture();
  void RefreshDisplays();
  void ShowBestCorrection(const QString& shownWord, const QString& correction);
  void PostSysCommand(unsigned command);
  void RestoreFromTray();
  // The tray icon's menu: each entry runs what the window's own button does,
  // and shows the state it switches.
  void BuildTrayMenu();
  void UpdateTrayMenu();
  void SetStartAtLogin(bool start);
  void RefreshAutostartEntry();  // an own entry of an earlier version gains what it lacks
  vuruzid::platform::DesktopEntry AutostartEntry() const;
  void SetFollowLayout(bool on);
  void SetCorrections(bool on);
  void SetCheckLetterCase(bool on);
  void SetFollowTyping(bool on);
  // Gives the engine Follow my typing as chosen, or as its default for the
  // capture running now (see SideSettings::FollowTyping).
  void ApplyFollowTyping();
  // Says briefly, without taking the keyboard focus, that typing in the other
  // layout switched the language.
  void TellSwitchByTyping();
  // An answer of the correction worker, on the GUI thread: shown while its word is.
  void CorrectionsFound(uint64_t displayGeneration, const std::vector<std::string>& corrections);
  void CopyCorrection(QListWidgetItem* item);
  // Tells once what keeps corrections or the letter case check from working fully (a damaged file).
  void ShowCorrectionProblem();
  // Whether the pointer is over a shown window of this program (this one, a dialog, the tray menu).
  static bool PointerOverOwnWindow();
  void ToggleLastProgram();
  // The word display's line while keys are held back: grey, fitted to the display, whole in the tooltip.
  void ShowQuietLine(const std::string& line);
  void StartDrag(QPoint globalPos);
  void ContinueManualDrag(QPoint globalPos);
  // A failure in a message box, or on standard error where none may be shown.
  void Report(std::string_view message, bool messageBoxes);
  // Runs one step; an error is reported and the caller goes on with the next.
  void RunReported(const std::function<void()>& step);

  std::filesystem::path programFolder_;
  std::filesystem::path dataHome_;  // holds data/: the program folder, or the user's own for an installed copy
  vuruzid::SpellingEngine engine_;
  vuruzid::ui::CorrectionWorker corrections_;  // stopped before the window goes
  vuruzid::capture::CheckingSwitch checking_;
  vuruzid::capture::KeyContext context_;  // as the capture last told it; none while checking is off
  vuruzid::SettingsList settingsList_;
  vuruzid::SideSettings sideSettings_;
  int compact_ = 1;
  int firstRun_ = 0;
  bool minimizeGoesToTray_ = false;
  bool endSaved_ = false;  // the end's writing is done: later ends find nothing to do
  vuruzid::ui::RegionPointTable regionPoints_{};

  TAddWordForm* addWordForm_ = nullptr;
  THelpForm* helpForm_ = nullptr;
  TWelcomeForm* welcomeForm_ = nullptr;
  TMyWordsForm* myWordsForm_ = nullptr;

  // Manual dragging, for sessions without a window manager to move the window.
  bool manualDrag_ = false;
  QPoint dragOffset_;

  QIcon appIcon_;
  QSystemTrayIcon* trayIcon_ = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* trayShow_ = nullptr;
  QAction* trayChecking_ = nullptr;
  QAction* trayEnglish_ = nullptr;
  QAction* trayRussian_ = nullptr;
  QAction* traySound_ = nullptr;
  QAction* trayStartAtLogin_ = nullptr;
  QAction* trayFollowLayout_ = nullptr;
  QAction* trayCorrections_ = nullptr;
  QAction* trayCheckLetterCase_ = nullptr;
  QAction* trayFollowTyping_ = nullptr;
  QAction* trayCheckInBrowsers_ = nullptr;
  QAction* trayLeaveProgram_ = nullptr;

  vuruzid::ui::BackgroundPicture* Image1 = nullptr;
  vuruzid::ui::BackgroundPicture* Image2 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label22 = nullptr;  // the best correction after the word, where it fits (compact form)
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Label16 = nullptr;
  QLabel* Image38 = nullptr;
  QLabel* Image39 = nullptr;
  vuruzid::ui::SuggestionList* ListBox1 = nullptr;

  vuruzid::ui::ImageButton checkingButton_, minimizeButton_, closeButton_, onTopButton_, helpButton_,
      compactButton_, languageButton_, addButton_;
};
