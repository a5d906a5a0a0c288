#pragma once

#include <QDialog>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <string>

#include "settings/Settings.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

// The first-run welcome dialog: shows the read-me page, asks for the user's
// name (stored as settings line 1), installs the program's link in the
// applications menu and on the desktop, and asks whether web browsers are to
// be checked (applied by the main window). Created once and kept hidden.
class TWelcomeForm : public QDialog {
 public:
  // File names inside the program folder.
  static constexpr const char* kReadmePage = "Readme.htm";
  static constexpr const char* kLinkFolder = "Doder";
  static constexpr const char* kLinkFile = "QOR_Vuruzid.desktop";
  static constexpr const char* kProgramFile = "QOR_Vuruzid";
  static constexpr const char* kIconFile = "QOR_Vuruzid.png";

  explicit TWelcomeForm(vuruzid::SettingsList& settings, QWidget* parent = nullptr);

  // An installed copy keeps its link folder in the user's data folder and its
  // links start the launcher on the PATH. Empty paths keep the program folder
  // and its own executable.
  void SetShortcutPlaces(std::filesystem::path linkHome, std::filesystem::path launcher);

  // Writes the settings file as soon as OK has stored the name, so that a
  // session ended without closing the main window keeps it. The saver tells
  // the user itself when the write fails; the dialog goes on either way.
  // Unset, the name stays in the list until the file is written.
  void SetNameSaver(std::function<void()> save) { nameSaver_ = std::move(save); }

  // Shows the read-me page and the dialog modally; returns when it closes.
  void ShowModal();

  // OK is possible once the untrimmed name sorts after " ".
  void Edit1Change();
  // Stores the trimmed name, has it saved, installs the links, reports any
  // problem and closes.
  void BitBtn1Click();

  // Makes the link in the link folder, then copies that folder into the
  // applications menu and moves the link to the desktop, as the boxes say.
  // Returns what the user should be told (steps skipped or failed); empty
  // when all went well.
  QStringList InstallShortcuts();
  // Writes one link file starting `target` with `arguments` in `workingDirectory`.
  // Returns false with the reason in `error`.
  bool CreateShortcut(const std::filesystem::path& target, const std::string& arguments,
                      const std::filesystem::path& workingDirectory,
                      const std::filesystem::path& linkFile, std::string& error);

  QTextBrowser* WebBrowser1;
  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* BitBtn1;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox3;  // check in web browsers; never ticked unless the user ticks it

  // The dialog was closed with OK, the web browsers box ticked.
  bool CheckInBrowsersChosen() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
  // Ticks the menu box unless the installed program's menu entry is there
  // already (then it is disabled), and the desktop box when there is a desktop folder.
  void OfferLinkPlaces();

  vuruzid::SettingsList& settings_;
  std::filesystem::path linkHome_;
  std::filesystem::path launcher_;
  std::function<void()> nameSaver_;
};
