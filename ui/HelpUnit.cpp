#include "ui/HelpUnit.h"

#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>
#include <stdexcept>
#include <system_error>

#include "engine/Cp1251.h"
#include "platform/DataFolder.h"
#include "platform/ProgramFolder.h"
#include "res/SkinPictures.h"
#include "ui/AddWordUnit.h"
#include "ui/Cp1251Text.h"
#include "ui/Fonts.h"
#include "ui/MessageBoxes.h"

namespace vuruzid::ui {
namespace fs = std::filesystem;

fs::path ReadCurrentDir() {
  fs::path folder = platform::CurrentFolder();
  if (folder.empty()) throw std::runtime_error("The program's current folder cannot be read.");
  return folder;
}

void ShowLocalPage(QTextBrowser* browser, const fs::path& page) {
  const QString file = QFile::decodeName(page.c_str());
  std::error_code ec;
  if (!fs::is_regular_file(page, ec)) {
    browser->setSource(QUrl());
    browser->setHtml(QStringLiteral("<h3>Page not found</h3><p>The page <tt>%1</tt> is missing. "
                                    "Reinstalling the program brings it back.</p>")
                         .arg(file.toHtmlEscaped()));
    return;
  }
  const QUrl url = QUrl::fromLocalFile(file);
  if (browser->source() == url)
    browser->reload();  // setSource() would keep the copy it already has
  else
    browser->setSource(url);
}

}  // namespace vuruzid::ui

namespace {

namespace fs = std::filesystem;

// The help page marks where this copy's data folder goes with class="data-folder".
QString WithDataFolder(QString html, const QString& folder) {
  static const QRegularExpression marked(QStringLiteral("class=\"data-folder\">([^<]*)<"));
  if (const QRegularExpressionMatch match = marked.match(html); match.hasMatch())
    html.replace(match.capturedStart(1), match.capturedLength(1), folder.toHtmlEscaped());
  return html;
}

// Shows the help page (UTF-8) with this copy's data folder filled in.
class HelpBrowser : public QTextBrowser {
 public:
  HelpBrowser(QWidget* parent, std::function<QString()> dataFolder)
      : QTextBrowser(parent), dataFolder_(std::move(dataFolder)) {}

  QVariant loadResource(int type, const QUrl& name) override {
    QVariant resource = QTextBrowser::loadResource(type, name);
    if (type != QTextDocument::HtmlResource || resource.userType() != QMetaType::QByteArray) return resource;
    return WithDataFolder(QString::fromUtf8(resource.toByteArray()), dataFolder_());
  }

 private:
  std::function<QString()> dataFolder_;
};

QLabel* MakeLabel(QWidget* page, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, page);
  label->setObjectName(QLatin1String(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

QFrame* MakeFrame(QWidget* page, const char* name, QFrame::Shape shape, QRect geometry) {
  auto* frame = new QFrame(page);
  frame->setObjectName(QLatin1String(name));
  frame->setFrameShape(shape);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setGeometry(geometry);
  return frame;
}

}  // namespace

THelpForm::THelpForm(vuruzid::SettingsList& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setWindowTitle(QStringLiteral("QOR Vuruzid"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  setAttribute(Qt::WA_AlwaysShowToolTips);  // the Change button's tooltip, also while another program is active
  setFont(vuruzid::ui::SansFont());
  // The client area of a 454 x 389 window with a classic frame and title bar.
  resize(446, 362);

  TabbedNotebook1 = new QTabWidget(this);
  TabbedNotebook1->setObjectName(QStringLiteral("TabbedNotebook1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(TabbedNotebook1);

  auto* helpPage = new QWidget;
  WebBrowser1 = new HelpBrowser(helpPage, [this] { return QFile::decodeName(DataHomeShown().c_str()); });
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  WebBrowser1->setOpenExternalLinks(true);
  auto* helpLayout = new QVBoxLayout(helpPage);
  helpLayout->setContentsMargins(0, 0, 0, 0);
  helpLayout->addWidget(WebBrowser1);
  TabbedNotebook1->addTab(helpPage, QStringLiteral("Help"));

  auto* aboutPage = new QWidget;
  BuildAboutPage(aboutPage);
  TabbedNotebook1->addTab(aboutPage, QStringLiteral("About"));
  TabbedNotebook1->setCurrentIndex(1);
  setMinimumSize(TabbedNotebook1->minimumSizeHint());
}

void THelpForm::BuildAboutPage(QWidget* page) {
  Bevel3 = MakeFrame(page, "Bevel3", QFrame::Box, QRect(0, 4, 437, 329));
  Bevel1 = MakeFrame(page, "Bevel1", QFrame::Panel, QRect(8, 14, 421, 183));

  // Drawn at its own size from the top-left corner and clipped to the area.
  Image1 = new QLabel(page);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(8, 14, 421, 181);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (const QImage picture = vuruzid::skin::Load(vuruzid::skin::Picture::AboutPicture);
      !picture.isNull())
    Image1->setPixmap(QPixmap::fromImage(picture));

  Label1 = new QLabel(QStringLiteral("QOR Vuruzid"), page);
  Label1->setObjectName(QStringLiteral("Label1"));
  // Arial's metric twin; at 18 pixels the title ends just before the version
  // label beside it (at 19 the two run into each other).
  QFont titleFont(QStringLiteral("Liberation Sans"));
  titleFont.setStyleHint(QFont::SansSerif);
  titleFont.setPixelSize(18);
  Label1->setFont(titleFont);
  Label1->setStyleSheet(QStringLiteral("color: navy"));
  Label1->move(8, 198);
  Label1->adjustSize();

  Label2 = MakeLabel(page, "Label2", QStringLiteral("Version " VURUZID_VERSION), 118, 204);
  Label2->setStyleSheet(QStringLiteral("color: grey; font-weight: bold"));
  Label2->adjustSize();

  // Right-aligned: its right edge stays at 429 whatever the number's width.
  Label6 = new QLabel(QStringLiteral("PN: 1234567890"), page);
  Label6->setObjectName(QStringLiteral("Label6"));
  Label6->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
  Label6->setAlignment(Qt::AlignRight | Qt::AlignTop);
  Label6->setGeometry(429 - 260, 204, 260, Label6->sizeHint().height());

  Bevel2 = MakeFrame(page, "Bevel2", QFrame::HLine, QRect(4, 220, 429, 2));

  Label5 = MakeLabel(page, "Label5", QStringLiteral("Spell checking as you type"), 8, 232);
  Label9 = MakeLabel(page, "Label9", QStringLiteral("in English"), 8, 250);
  Label10 = MakeLabel(page, "Label10", QStringLiteral("and Russian"), 64, 250);

  // The name is centred under its caption in the right half of the page.
  constexpr int kNameLeft = 248, kNameWidth = 429 - 248;
  Label7 = new QLabel(QStringLiteral("This copy is licensed to"), page);
  Label7->setObjectName(QStringLiteral("Label7"));
  Label7->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label7->setGeometry(kNameLeft, 232, kNameWidth, Label7->sizeHint().height());
  Label8 = new QLabel(QStringLiteral("User Name"), page);
  Label8->setObjectName(QStringLiteral("Label8"));
  Label8->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label8->setStyleSheet(QStringLiteral("font-weight: bold"));
  Label8->setGeometry(kNameLeft, 248, kNameWidth, Label8->sizeHint().height() + 2);

  // Centred under the name, above the OK button.
  ChangeNameButton = new QPushButton(QStringLiteral("Change\u2026"), page);
  ChangeNameButton->setObjectName(QStringLiteral("ChangeNameButton"));
  ChangeNameButton->setToolTip(QStringLiteral("Change the name this copy is licensed to"));
  ChangeNameButton->setAutoDefault(false);  // Enter stays with OK
  constexpr int kChangeWidth = 81;
  ChangeNameButton->setGeometry(kNameLeft + (kNameWidth - kChangeWidth) / 2, 268, kChangeWidth, 21);
  connect(ChangeNameButton, &QPushButton::clicked, this, &THelpForm::ChangeNameClick);

  Label3 = MakeLabel(page, "Label3", QStringLiteral("Help page:"), 8, 292);
  Label4 = MakeLabel(page, "Label4",
                     QStringLiteral("<a href=\"%1\">%1</a>").arg(QLatin1String(kHelpPage)), 8, 308);
  Label4->setTextFormat(Qt::RichText);
  Label4->setCursor(Qt::PointingHandCursor);
  Label4->setOpenExternalLinks(false);
  Label4->adjustSize();
  connect(Label4, &QLabel::linkActivated, this, [this] { Label4Click(); });

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), page);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(292, 292, 101, 26);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void THelpForm::ShowModal() {
  FormShow();
  if (!shownBefore_) {
    vuruzid::ui::CentreOnScreen(this);
    shownBefore_ = true;
  }
  exec();
  // Later shows open where this one was left, at the size it was left.
  setAttribute(Qt::WA_Moved);
}

void THelpForm::FormShow() {
  try {
    CurDir = vuruzid::ui::ReadCurrentDir();
  } catch (const std::exception& error) {
    vuruzid::ui::ShowErrorReport(QString::fromStdString(error.what()), this);
    return;
  }
  vuruzid::ui::ShowLocalPage(WebBrowser1, CurDir / kHelpPage);

  // Line 1 holds the user's name, line 2 the installation number.
  if (settings_.size() < 3) {
    vuruzid::ui::ShowErrorReport(QStringLiteral("The settings hold no installation number (line 2 is "
                                         "missing), so the About page cannot show it."),
                                 this);
    return;
  }
  Label6->setText(QStringLiteral("PN: ") + vuruzid::ui::FromCp1251(settings_[2]));
  Label8->setText(vuruzid::ui::FromCp1251(settings_[1]));
}

fs::path THelpForm::DataHomeShown() const {
  if (!dataHome_.empty()) return dataHome_;
  return vuruzid::platform::ChooseDataHome(CurDir, vuruzid::platform::UserEnvironment::OfThisProcess()).folder;
}

void THelpForm::Label4Click() {
  // The page as installed in the program folder: it is there for every copy, with or without a network.
  const fs::path page = CurDir / kHelpPage;
  const QString file = QFile::decodeName(page.c_str());
  std::error_code ec;
  if (CurDir.empty() || !fs::is_regular_file(page, ec)) {
    vuruzid::ui::ShowErrorReport(
        QStringLiteral("The help page %1 is missing. Reinstalling the program brings it back.").arg(file), this);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void THelpForm::ChangeNameClick() {
  const QString current = settings_.size() > 1 ? vuruzid::ui::FromCp1251(settings_[1]) : QString();
  bool ok = false;
  const QString typed = QInputDialog::getText(this, QStringLiteral("Your name"), QStringLiteral("Your name:"),
                                              QLineEdit::Normal, current, &ok);
  if (!ok) return;
  const auto name = vuruzid::ui::ToCp1251OrExplain(this, typed, QStringLiteral("the name"));
  if (!name) return;  // explained; the old name stays
  std::string trimmed(vuruzid::cp1251::Trim(*name));
  if (trimmed.empty()) {
    QMessageBox::warning(this, QString::fromLatin1(vuruzid::ui::kApplicationTitle),
                         QStringLiteral("A name cannot be blank, so this copy stays licensed to \"%1\".")
                             .arg(current));
    return;
  }
  if (settings_.size() > 1 && settings_[1] == trimmed) return;  // unchanged: nothing to write
  StoreName(std::move(trimmed));
}

void THelpForm::StoreName(std::string name) {
  // Line 1 is the user's name; a list cut short is lengthened rather than the name lost.
  if (settings_.size() < 2) settings_.resize(2);
  settings_[1] = std::move(name);
  Label8->setText(vuruzid::ui::FromCp1251(settings_[1]));
  if (nameSaver_) nameSaver_();  // a failed write is reported by the saver
}

void THelpForm::keyPressEvent(QKeyEvent* event) {
  // Like the program's other dialogs, Escape does not close it: OK (or Enter) does.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
