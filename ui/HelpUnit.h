#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>

#include "settings/Settings.h"

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTabWidget;
class QTextBrowser;

// The help and About window: the local help page on "Help", and on "About" the
// product, its version, the installation number and the user's name, both read
// from the settings at every show; the name can be changed there. Created once
// and kept hidden between uses.
class THelpForm : public QDialog {
 public:
  // The help page, relative to the program folder; the About page links to it.
  static constexpr const char* kHelpPage = "Help/index.htm";

  explicit THelpForm(vuruzid::SettingsList& settings, QWidget* parent = nullptr);

  // The folder holding data/ and the link folder, which the help page names.
  // Unset, it is the one the program folder's rule chooses (ChooseDataHome).
  void SetDataHome(std::filesystem::path folder) { dataHome_ = std::move(folder); }

  // Writes the settings file as soon as a changed name is stored. The saver
  // tells the user itself when the write fails; the window goes on either way.
  // Unset, the name stays in the list until the file is written.
  void SetNameSaver(std::function<void()> save) { nameSaver_ = std::move(save); }

  // Reloads the help page and rereads the settings, then shows the window
  // modally on the page the user left selected (the About page the first time).
  void ShowModal();

  // Opens the installed help page with the desktop's viewer; a missing page is reported.
  void Label4Click();

  // Asks for a new name, prefilled with the current one, and stores it trimmed
  // as settings line 1, as the welcome dialog does. A blank name, or one
  // Windows-1251 cannot hold, is explained and the old name kept.
  void ChangeNameClick();

  QTabWidget* TabbedNotebook1;
  QTextBrowser* WebBrowser1;
  QFrame* Bevel1;
  QFrame* Bevel2;
  QFrame* Bevel3;
  QLabel* Image1;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Label8;
  QLabel* Label9;
  QLabel* Label10;
  QPushButton* BitBtn1;
  QPushButton* ChangeNameButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildAboutPage(QWidget* page);
  void FormShow();
  std::filesystem::path DataHomeShown() const;
  // Stores `name` (Windows-1251, trimmed, not empty) as line 1, shows it and has it saved.
  void StoreName(std::string name);

  vuruzid::SettingsList& settings_;
  std::function<void()> nameSaver_;
  std::filesystem::path CurDir;
  std::filesystem::path dataHome_;
  bool shownBefore_ = false;
};

namespace vuruzid::ui {

// The folder the program runs in, of any length. Throws std::runtime_error
// when it cannot be read (for instance after it was deleted).
std::filesystem::path ReadCurrentDir();

// Shows the local HTML file `page` in `browser`, loading it afresh even when it
// is already on view; a missing page gets a short explanation instead.
void ShowLocalPage(QTextBrowser* browser, const std::filesystem::path& page);

}  // namespace vuruzid::ui
