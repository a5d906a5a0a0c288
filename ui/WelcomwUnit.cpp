#include "ui/WelcomwUnit.h"

#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <system_error>

#include "engine/Cp1251.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/FileOperations.h"
#include "platform/desktop/StandardFolders.h"
#include "ui/AddWordUnit.h"
#include "ui/BrowserChecking.h"
#include "ui/Cp1251Text.h"
#include "ui/Fonts.h"
#include "ui/MessageBoxes.h"
#include "ui/HelpUnit.h"

namespace fs = std::filesystem;

namespace {

QString Native(const fs::path& path) { return QFile::decodeName(path.c_str()); }

}  // namespace

TWelcomeForm::TWelcomeForm(vuruzid::SettingsList& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setWindowTitle(QStringLiteral(" Welcome to QOR Vuruzid"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFont(vuruzid::ui::SansFont());
  setFixedSize(519, 365);
  setAttribute(Qt::WA_AlwaysShowToolTips);  // the boxes' tooltips, also while another program is active

  WebBrowser1 = new QTextBrowser(this);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  WebBrowser1->setGeometry(12, 12, 497, 249);
  WebBrowser1->setOpenExternalLinks(true);

  Label1 = new QLabel(QStringLiteral("Please enter your name here"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(344, 288);
  Label1->adjustSize();

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(344, 304, 165, 21);
  QFont bold = Edit1->font();
  bold.setBold(true);
  Edit1->setFont(bold);

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(384, 336, 91, 21);
  BitBtn1->setDefault(true);
  BitBtn1->setEnabled(false);

  // Ticked or not as the desktop allows, at every show (OfferLinkPlaces).
  CheckBox1 = new QCheckBox(QStringLiteral("Add to the applications menu"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setGeometry(12, 308, 240, 17);
  CheckBox2 = new QCheckBox(QStringLiteral("Create Shortcut at the Desktop"), this);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setGeometry(12, 332, 240, 17);
  // The user's consent: it changes a setting of the whole desktop.
  CheckBox3 = new QCheckBox(QString::fromLatin1(vuruzid::ui::kCheckInBrowsersText), this);
  CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
  CheckBox3->setGeometry(12, 266, 497, 17);

  setTabOrder(BitBtn1, Edit1);
  setTabOrder(Edit1, CheckBox1);
  setTabOrder(CheckBox1, CheckBox2);
  setTabOrder(CheckBox2, CheckBox3);
  setTabOrder(CheckBox3, WebBrowser1);
  Edit1->setFocus();  // OK starts disabled, so the name box is first to take input

  connect(Edit1, &QLineEdit::textChanged, this, &TWelcomeForm::Edit1Change);
  connect(BitBtn1, &QPushButton::clicked, this, &TWelcomeForm::BitBtn1Click);
}

void TWelcomeForm::ShowModal() {
  FormShow();
  vuruzid::ui::CentreOnScreen(this);
  Edit1->setFocus();
  exec();
}

void TWelcomeForm::FormShow() {
  OfferLinkPlaces();
  CheckBox3->setChecked(false);
  try {
    vuruzid::ui::ShowLocalPage(WebBrowser1, vuruzid::ui::ReadCurrentDir() / kReadmePage);
  } catch (const std::exception& error) {
    vuruzid::ui::ShowErrorReport(QString::fromStdString(error.what()), this);
  }
}

void TWelcomeForm::OfferLinkPlaces() {
  // The installed program's own menu entry is there already: a second one
  // would list the program twice.
  const fs::path systemEntry = vuruzid::platform::SystemMenuEntry();
  CheckBox1->setEnabled(systemEntry.empty());
  CheckBox1->setChecked(systemEntry.empty());
  CheckBox1->setText(systemEntry.empty() ? QStringLiteral("Add to the applications menu")
                                         : QStringLiteral("Already in the applications menu"));
  CheckBox1->setToolTip(systemEntry.empty() ? QString()
                                            : QStringLiteral("The installed program's entry %1 puts it there.")
                                                  .arg(Native(systemEntry)));
  const bool hasDesktop = !vuruzid::platform::DesktopFolder().empty();
  CheckBox2->setChecked(hasDesktop);
  CheckBox2->setToolTip(hasDesktop ? QString() : QStringLiteral("You have no desktop folder."));
}

bool TWelcomeForm::CheckInBrowsersChosen() const { return result() == QDialog::Accepted && CheckBox3->isChecked(); }

void TWelcomeForm::Edit1Change() {
  // Ordinal comparison of the raw text: one blank is not a name, two are.
  BitBtn1->setEnabled(Edit1->text() > QStringLiteral(" "));
}

void TWelcomeForm::BitBtn1Click() {
  const auto name = vuruzid::ui::ToCp1251OrExplain(this, Edit1->text(), QStringLiteral("the name"));
  if (!name) {
    Edit1->setFocus();
    return;
  }
  // Line 1 is the user's name; a list cut short is lengthened rather than the name lost.
  if (settings_.size() < 2) settings_.resize(2);
  settings_[1] = std::string(vuruzid::cp1251::Trim(*name));
  if (nameSaver_) nameSaver_();  // a failed write is reported by the saver; the links are made all the same

  const QStringList problems = InstallShortcuts();
  if (!problems.isEmpty())
    QMessageBox::warning(this, QString::fromLatin1(vuruzid::ui::kApplicationTitle), problems.join(QStringLiteral("\n\n")));
  accept();
}

bool TWelcomeForm::CreateShortcut(const fs::path& target, const std::string& arguments,
                                  const fs::path& workingDirectory, const fs::path& linkFile,
                                  std::string& error) {
  vuruzid::platform::DesktopEntry entry;
  entry.name = "QOR Vuruzid";
  entry.target = target;
  entry.arguments = arguments;
  entry.workingDirectory = workingDirectory;
  std::error_code ec;
  if (const fs::path icon = workingDirectory / kIconFile; fs::is_regular_file(icon, ec))
    entry.icon = icon;
  return vuruzid::platform::WriteDesktopEntry(linkFile, entry, error);
}

void TWelcomeForm::SetShortcutPlaces(fs::path linkHome, fs::path launcher) {
  linkHome_ = std::move(linkHome);
  launcher_ = std::move(launcher);
}

QStringList TWelcomeForm::InstallShortcuts() {
  QStringList problems;
  fs::path cur;
  try {
    cur = vuruzid::ui::ReadCurrentDir();
  } catch (const std::exception& error) {
    problems << QString::fromStdString(error.what()) + QStringLiteral(" No shortcut was made.");
    return problems;
  }
  const fs::path linkFolder = (linkHome_.empty() ? cur : linkHome_) / kLinkFolder;
  const fs::path linkFile = linkFolder / kLinkFile;
  const fs::path target = launcher_.empty() ? cur / kProgramFile : launcher_;

  std::string error;
  if (!linkHome_.empty()) {
    std::error_code ec;
    fs::create_directories(linkFolder, ec);  // the per-user link folder is made on the first run
  }
  if (!CreateShortcut(target, std::string(), cur, linkFile, error)) {
    problems << QStringLiteral("The program's shortcut could not be made (%1).")
                    .arg(QString::fromStdString(error));
    return problems;  // nothing to place in the menu or on the desktop
  }

  // The menu copy comes first, so it holds the link even after the link
  // has moved on to the desktop.
  if (CheckBox1->isChecked()) {
    const fs::path applications = vuruzid::platform::ApplicationsFolder();
    if (applications.empty()) {
      problems << QStringLiteral("Your applications menu folder could not be found, so the "
                                 "program was not added to the menu.");
    } else if (!vuruzid::platform::CopyFolderInto(linkFolder, applications, error)) {
      problems << QStringLiteral("The program could not be added to the applications menu (%1).")
                      .arg(QString::fromStdString(error));
    }
  }

  if (CheckBox2->isChecked()) {
    const fs::path desktop = vuruzid::platform::DesktopFolder();
    if (desktop.empty()) {
      problems << QStringLiteral("Your desktop folder could not be found, so no shortcut was put "
                                 "on the desktop. The shortcut stays in %1.")
                      .arg(Native(linkFolder));
    } else {
      const fs::path desktopLink = desktop / kLinkFile;
      switch (vuruzid::platform::MoveWithoutReplacing(linkFile, desktopLink, error)) {
        case vuruzid::platform::MoveOutcome::Moved:
          break;
        case vuruzid::platform::MoveOutcome::TargetExists:
          problems << QStringLiteral("Your desktop already has a shortcut %1; it was left as it "
                                     "is. The new shortcut stays in %2.")
                          .arg(Native(desktopLink), Native(linkFolder));
          break;
        case vuruzid::platform::MoveOutcome::Failed:
          problems << QStringLiteral("The shortcut could not be put on the desktop (%1).")
                          .arg(QString::fromStdString(error));
          break;
      }
    }
  }
  return problems;
}

void TWelcomeForm::keyPressEvent(QKeyEvent* event) {
  // No cancel button: Escape does not dismiss the dialog.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
