// The help and About window: the page it opens on, the page memory, the help
// page reloaded and the settings reread at every show, and the name changed
// on the About page.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTest>
#include <QUrl>

#include "ModalDriver.h"
#include "ScratchDesktop.h"
#include "ui/AddWordUnit.h"
#include "ui/HelpUnit.h"
#include "ui/WelcomwUnit.h"

namespace fs = std::filesystem;
using vuruzid::testing::ScratchDesktop;
using vuruzid::testing::WhenModalOpens;
using vuruzid::testing::WriteFile;

namespace {

struct OnView {
  int page = -1;
  QString pageText;
  QString number;
  QString name;
};

// Shows the window, notes what it shows, then runs `act` (which may change
// the page) and closes it with OK.
OnView ShowHelp(THelpForm& help, const std::function<void(THelpForm*)>& act = {}) {
  OnView seen;
  WhenModalOpens<THelpForm>([&](THelpForm* open) {
    seen.page = open->TabbedNotebook1->currentIndex();
    seen.pageText = open->WebBrowser1->toPlainText();
    seen.number = open->Label6->text();
    seen.name = open->Label8->text();
    if (act) act(open);
    open->BitBtn1->click();
  });
  help.ShowModal();
  return seen;
}

vuruzid::SettingsList SixteenLines(const std::string& name, const std::string& number) {
  vuruzid::SettingsList lines(16, "Normal");
  lines[0] = "QOR Vuruzid v.1.1";
  lines[1] = name;
  lines[2] = number;
  return lines;
}

}  // namespace

class HelpForm : public ::testing::Test {
 protected:
  ScratchDesktop session;
};

TEST_F(HelpForm, FirstShowIsTheAboutPageWithTheSettingsAndTheHelpPageLoaded) {
  auto settings = SixteenLines("Ann Smith", "2405135123");
  THelpForm help(settings);
  const OnView seen = ShowHelp(help);
  EXPECT_EQ(seen.page, 1);
  EXPECT_EQ(seen.number, "PN: 2405135123");
  EXPECT_EQ(seen.name, "Ann Smith");
  EXPECT_TRUE(seen.pageText.contains("QOR Vuruzid Help")) << seen.pageText.toStdString();
  EXPECT_EQ(help.WebBrowser1->source(),
            QUrl::fromLocalFile(QString::fromStdString((session.program() / "Help/index.htm").string())));
}

TEST_F(HelpForm, ReopensOnThePageLeftAndLoadsTheHelpPageAgain) {
  auto settings = SixteenLines("Ann", "2405135123");
  THelpForm help(settings);
  ShowHelp(help, [](THelpForm* open) { open->TabbedNotebook1->setCurrentIndex(0); });

  WriteFile(session.program() / "Help/index.htm", "<html><body><p>Edited help</p></body></html>");
  const OnView second = ShowHelp(help);
  EXPECT_EQ(second.page, 0);
  EXPECT_EQ(second.pageText, "Edited help");

  ShowHelp(help, [](THelpForm* open) { open->TabbedNotebook1->setCurrentIndex(1); });
  EXPECT_EQ(ShowHelp(help).page, 1);
}

TEST_F(HelpForm, ShowsANameChangedSinceTheLastShowInItsOwnScript) {
  auto settings = SixteenLines("User Name", "2405135123");
  THelpForm help(settings);
  EXPECT_EQ(ShowHelp(help).name, "User Name");
  settings[1] = "\xC0\xED\xED\xE0 \xCF\xE5\xF2\xF0\xEE\xE2\xE0";  // "Анна Петрова" in Windows-1251
  EXPECT_EQ(ShowHelp(help).name, QString::fromUtf8("Анна Петрова"));
}

TEST_F(HelpForm, AShortSettingsListIsReportedAndLeavesTheLabelsAsTheyWere) {
  auto settings = SixteenLines("Ann", "2405135123");
  THelpForm help(settings);
  ShowHelp(help);
  settings.resize(2);
  settings[1] = "Bob";

  QString message;
  WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
    message = box->text();
    box->accept();
  });
  const OnView seen = ShowHelp(help);
  EXPECT_TRUE(message.contains("line 2")) << message.toStdString();
  EXPECT_EQ(seen.number, "PN: 2405135123");
  EXPECT_EQ(seen.name, "Ann");
  EXPECT_TRUE(seen.pageText.contains("QOR Vuruzid Help"));
}

TEST_F(HelpForm, AMissingHelpPageSaysWhichFileIsMissing) {
  auto settings = SixteenLines("Ann", "2405135123");
  THelpForm help(settings);
  fs::remove(session.program() / "Help/index.htm");
  const OnView seen = ShowHelp(help, [](THelpForm* open) { open->TabbedNotebook1->setCurrentIndex(0); });
  EXPECT_TRUE(seen.pageText.contains(QString::fromStdString((session.program() / "Help/index.htm").string())))
      << seen.pageText.toStdString();
}

TEST_F(HelpForm, AnUnreadableCurrentFolderIsReportedAndTheWindowStillOpens) {
  auto settings = SixteenLines("Ann", "2405135123");
  THelpForm help(settings);
  const fs::path doomed = session.home() / "doomed";
  fs::create_directories(doomed);
  fs::current_path(doomed);
  fs::remove(doomed);

  QString message;
  WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
    message = box->text();
    box->accept();
  });
  const OnView seen = ShowHelp(help);
  EXPECT_TRUE(message.contains("current folder")) << message.toStdString();
  EXPECT_EQ(seen.number, "PN: 1234567890");  // untouched
  EXPECT_EQ(seen.page, 1);
}

// The help page names the folder this copy keeps data/ in: the one the program
// was given, else the one the program folder's rule chooses.
TEST_F(HelpForm, TheHelpPageNamesThisCopysDataFolder) {
  const std::pair<fs::path, fs::path> cases[] = {
      {{}, session.program()},  // a portable copy
      {session.dataHome() / "qor-vuruzid", session.dataHome() / "qor-vuruzid"},
      {session.home() / "a <b> & c", session.home() / "a <b> & c"},
  };
  for (const auto& [given, shown] : cases) {
    auto settings = SixteenLines("Ann", "2405135123");
    THelpForm help(settings);
    help.SetDataHome(given);
    const QString page = ShowHelp(help).pageText;
    EXPECT_TRUE(page.contains("This copy keeps them in " + QString::fromStdString(shown.string()) + "."))
        << page.toStdString();
  }
}

// Change on the About page stores the name as the welcome dialog does, shows
// it at once and has it saved; a name it refuses keeps the old one unsaved.
TEST_F(HelpForm, ChangeStoresATrimmedNameShowsItAndHasItSaved) {
  const std::string anna = "\xC0\xED\xED\xE0";  // "Анна" in Windows-1251
  const struct {
    const char* name;
    QString typed;  // null: the input is cancelled
    std::string stored;
    QString shown;
    int saves;
    const char* message;  // part of the one message shown, or nullptr for none
  } cases[] = {
      {"trimmed", " \tBob Smith  ", "Bob Smith", "Bob Smith", 1, nullptr},
      {"cyrillic", QString::fromUtf8("  Анна "), anna, QString::fromUtf8("Анна"), 1, nullptr},
      {"blank", "  \t ", "Ann", "Ann", 0, "cannot be blank"},
      {"empty", "", "Ann", "Ann", 0, "cannot be blank"},
      {"outside the code page", QString::fromUtf8("Łukasz"), "Ann", "Ann", 0, "U+0141"},
      {"unchanged", "Ann ", "Ann", "Ann", 0, nullptr},
      {"cancelled", QString(), "Ann", "Ann", 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto settings = SixteenLines("Ann", "2405135123");
    THelpForm help(settings);
    int saves = 0;
    std::string listedWhenSaved;
    help.SetNameSaver([&] {
      ++saves;
      listedWhenSaved = settings[1];
      return true;
    });
    QString title, prefilled, shownAtOnce;
    QStringList messages;
    ShowHelp(help, [&](THelpForm* open) {
      WhenModalOpens<QInputDialog>([&](QInputDialog* input) {
        title = input->windowTitle();
        prefilled = input->textValue();
        if (c.typed.isNull()) {
          input->reject();
          return;
        }
        input->setTextValue(c.typed);
        input->accept();
      });
      vuruzid::testing::MessageBoxCatcher reports;
      open->ChangeNameButton->click();
      messages = reports.texts();
      shownAtOnce = open->Label8->text();
    });
    EXPECT_EQ(title, "Your name");
    EXPECT_EQ(prefilled, "Ann");
    EXPECT_EQ(settings[1], c.stored);
    EXPECT_EQ(settings.size(), 16u);
    EXPECT_EQ(settings[2], "2405135123");
    EXPECT_EQ(shownAtOnce, c.shown);
    EXPECT_EQ(saves, c.saves);
    if (c.saves) {
      EXPECT_EQ(listedWhenSaved, c.stored) << "the name is in the list before it is saved";
    }
    if (c.message) {
      ASSERT_EQ(messages.size(), 1);
      EXPECT_TRUE(messages.front().contains(c.message)) << messages.front().toStdString();
    } else {
      EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    }
    EXPECT_EQ(ShowHelp(help).name, c.shown) << "the next show reads the stored name back";
  }
}

// A failed write is the saver's to report: the new name is kept and shown all the same.
TEST_F(HelpForm, AFailedSaveKeepsTheNewName) {
  auto settings = SixteenLines("Ann", "2405135123");
  THelpForm help(settings);
  int saves = 0;
  help.SetNameSaver([&] { return ++saves, false; });
  QString shown;
  ShowHelp(help, [&](THelpForm* open) {
    WhenModalOpens<QInputDialog>([](QInputDialog* input) {
      input->setTextValue("Bob");
      input->accept();
    });
    open->ChangeNameButton->click();
    shown = open->Label8->text();
  });
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(settings[1], "Bob");
  EXPECT_EQ(shown, "Bob");
}

TEST_F(HelpForm, TheChangeButtonSitsUnderTheNameWithItsWholeCaption) {
  auto settings = SixteenLines("Ann", "2405135123");
  THelpForm help(settings);
  QRect button, name, ok;
  int captionWidth = 0;
  ShowHelp(help, [&](THelpForm* open) {
    button = open->ChangeNameButton->geometry();
    name = open->Label8->geometry();
    ok = open->BitBtn1->geometry();
    captionWidth = open->ChangeNameButton->sizeHint().width();
  });
  EXPECT_FALSE(button.intersects(name));
  EXPECT_FALSE(button.intersects(ok));
  EXPECT_GE(button.top(), name.bottom());
  EXPECT_LE(captionWidth, button.width());
  EXPECT_TRUE(help.ChangeNameButton->isVisibleTo(&help));
  EXPECT_FALSE(help.ChangeNameButton->toolTip().isEmpty());
}

// Receives the addresses the About page hands to the desktop.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

// The About page links to the help page installed in the program folder,
// never to an address that may not exist; a page that has gone is reported.
TEST_F(HelpForm, TheAboutLinkOpensTheInstalledHelpPageThroughTheDesktop) {
  const fs::path page = session.program() / "Help/index.htm";
  const struct {
    const char* name;
    bool pagePresent;
  } cases[] = {{"installed page", true}, {"page removed", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.pagePresent) fs::remove(page);
    auto settings = SixteenLines("Ann", "2405135123");
    THelpForm help(settings);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    QString label;
    QStringList messages;
    ShowHelp(help, [&](THelpForm* open) {
      label = open->Label4->text();
      vuruzid::testing::MessageBoxCatcher reports;
      emit open->Label4->linkActivated(QString::fromLatin1(THelpForm::kHelpPage));
      messages = reports.texts();
    });
    for (const char* scheme : {"file", "https", "http"}) QDesktopServices::unsetUrlHandler(scheme);

    EXPECT_TRUE(label.contains("Help/index.htm")) << label.toStdString();
    EXPECT_FALSE(label.contains("http")) << label.toStdString();
    if (c.pagePresent) {
      ASSERT_EQ(catcher.opened.size(), 1);
      EXPECT_EQ(catcher.opened.front(), QUrl::fromLocalFile(QString::fromStdString(page.string())));
      EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    } else {
      EXPECT_TRUE(catcher.opened.isEmpty());
      ASSERT_EQ(messages.size(), 1);
      EXPECT_TRUE(messages.front().contains(QString::fromStdString(page.string()))) << messages.front().toStdString();
    }
  }
}

// None of the dialogs closes on Escape: each ends only through its own buttons
// (or the window's close box).
TEST_F(HelpForm, EscapeClosesNoDialog) {
  auto settings = SixteenLines("Ann", "2405135123");
  THelpForm help(settings);
  TAddWordForm addWord;
  TWelcomeForm welcome(settings);
  const struct {
    const char* name;
    std::function<void()> show;
  } dialogs[] = {
      {"help", [&] { help.ShowModal(); }},
      {"add word", [&] { addWord.ShowModal("CAT"); }},
      {"welcome", [&] { welcome.ShowModal(); }},
  };
  for (const auto& dialog : dialogs) {
    SCOPED_TRACE(dialog.name);
    bool openAfterEscape = false;
    WhenModalOpens<QDialog>([&](QDialog* open) {
      QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : open;
      QTest::keyClick(focused, Qt::Key_Escape);
      QTest::keyClick(open, Qt::Key_Escape);
      openAfterEscape = open->isVisible();
      open->done(QDialog::Rejected);
    });
    dialog.show();
    EXPECT_TRUE(openAfterEscape);
  }
}

#include "HelpFormTest.moc"
