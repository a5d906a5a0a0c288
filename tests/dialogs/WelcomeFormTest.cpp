// The first-run welcome dialog: the OK rule, the stored name, and where the
// program's link ends up for each choice of the two boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <optional>

#include "ModalDriver.h"
#include "ScratchDesktop.h"
#include "ui/WelcomwUnit.h"

namespace fs = std::filesystem;
using vuruzid::testing::ReadFile;
using vuruzid::testing::ScratchDesktop;
using vuruzid::testing::WhenModalOpens;
using vuruzid::testing::WriteFile;

namespace {

constexpr const char* kLinkName = "QOR_Vuruzid.desktop";
constexpr const char* kSystemEntry = "org.vuruzid.QorVuruzid.desktop";  // the installed program's menu entry
// Never ticked for the user: it changes a setting of the whole desktop.
constexpr const char* kBrowsersOffered = "Check in web browsers (turns on the desktop's accessibility support); ";

vuruzid::SettingsList FirstRunLines() {
  vuruzid::SettingsList lines(16, "Normal");
  lines[0] = "QOR Vuruzid v.1.1";
  lines[1] = "User Name";
  lines[2] = "2405135123";
  return lines;
}

bool IsExecutable(const fs::path& file) {
  std::error_code ec;
  return (fs::status(file, ec).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

}  // namespace

class WelcomeForm : public ::testing::Test {
 protected:
  // Types `name` into the open dialog, sets the boxes a user could click
  // (nothing: as offered), presses OK and collects any message shown on the way.
  void Complete(const QString& name, std::optional<bool> menu, std::optional<bool> desktop,
                std::optional<bool> browsers = std::nullopt) {
    WhenModalOpens<TWelcomeForm>([=, this](TWelcomeForm* open) {
      readmeShown = open->WebBrowser1->toPlainText();
      // Focus comes with the window's activation, which a loaded machine may deliver late.
      nameBoxHadFocus = QTest::qWaitFor([open] { return open->Edit1->hasFocus(); }, 5000);
      for (QCheckBox* box : {open->CheckBox1, open->CheckBox2, open->CheckBox3})
        offered += QString(box->isEnabled() ? "" : "disabled ") + (box->isChecked() ? "ticked " : "") +
                   box->text() + "; ";
      vuruzid::testing::TypeText(open->Edit1, name);
      if (menu && open->CheckBox1->isEnabled()) open->CheckBox1->setChecked(*menu);
      if (desktop) open->CheckBox2->setChecked(*desktop);
      if (browsers) open->CheckBox3->setChecked(*browsers);
      vuruzid::testing::MessageBoxCatcher reports;
      open->BitBtn1->click();
      message = reports.joined();
    });
    dialog.ShowModal();
  }

  fs::path LinkInFolder() const { return session.linkFolder() / kLinkName; }
  fs::path LinkInMenu(const std::string& group = "Doder") const {
    return session.applications() / group / kLinkName;
  }
  fs::path LinkOnDesktop() const { return session.desktop() / kLinkName; }

  ScratchDesktop session;
  vuruzid::SettingsList settings = FirstRunLines();
  TWelcomeForm dialog{settings};
  QString message;
  QString readmeShown;
  QString offered;  // the boxes as the dialog opened
  bool nameBoxHadFocus = false;
};

TEST_F(WelcomeForm, OpensOnTheReadMePageWithTheNameBoxFocused) {
  Complete("Ann", false, false);
  EXPECT_TRUE(nameBoxHadFocus);
  EXPECT_TRUE(readmeShown.contains("Welcome to QOR Vuruzid")) << readmeShown.toStdString();
  EXPECT_TRUE(readmeShown.contains("never stores"));
}

TEST_F(WelcomeForm, OkNeedsATextAfterASingleBlank) {
  const std::pair<const char*, bool> cases[] = {
      {"", false}, {" ", false}, {"  ", true}, {"\tAnn", false}, {"A", true}, {" Ann", true}};
  for (const auto& [text, enabled] : cases) {
    dialog.Edit1->setText(QString::fromLatin1(text));
    EXPECT_EQ(dialog.BitBtn1->isEnabled(), enabled) << '"' << text << '"';
  }
  // Typing key by key follows the same rule.
  dialog.Edit1->clear();
  vuruzid::testing::TypeText(dialog.Edit1, " ");
  EXPECT_FALSE(dialog.BitBtn1->isEnabled());
  vuruzid::testing::TypeText(dialog.Edit1, " ");
  EXPECT_TRUE(dialog.BitBtn1->isEnabled());
}

TEST_F(WelcomeForm, StoresTheNameTrimmedInWindows1251) {
  Complete(QString::fromUtf8("  Анна Петрова \t"), false, false);
  EXPECT_EQ(settings[1], "\xC0\xED\xED\xE0 \xCF\xE5\xF2\xF0\xEE\xE2\xE0");
  EXPECT_EQ(settings.size(), 16u);
  EXPECT_EQ(settings[2], "2405135123");
  EXPECT_FALSE(dialog.isVisible());
}

// OK has the name saved once, already in the list and before the links are
// made; a failed write (the saver reports it) still makes the links and closes.
TEST_F(WelcomeForm, OkHasTheStoredNameSavedOnceBeforeMakingTheLinks) {
  for (const bool written : {true, false}) {
    SCOPED_TRACE(written ? "written" : "write failed");
    settings = FirstRunLines();
    dialog.Edit1->clear();  // the dialog keeps what was typed in it last time
    fs::remove_all(session.linkFolder());
    fs::create_directories(session.linkFolder());
    int saves = 0;
    std::string listedWhenSaved;
    bool linkMadeWhenSaved = true;
    dialog.SetNameSaver([&] {
      ++saves;
      listedWhenSaved = settings[1];
      linkMadeWhenSaved = fs::exists(LinkInFolder());
      return written;
    });
    Complete(" Ann Smith ", false, false);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(listedWhenSaved, "Ann Smith");
    EXPECT_FALSE(linkMadeWhenSaved);
    EXPECT_TRUE(fs::exists(LinkInFolder()));
    EXPECT_TRUE(message.isEmpty()) << message.toStdString();
    EXPECT_FALSE(dialog.isVisible());
  }
}

TEST_F(WelcomeForm, TwoBlanksStoreAnEmptyName) {
  Complete("  ", false, false);
  EXPECT_EQ(settings[1], "");
}

TEST_F(WelcomeForm, ANameOutsideTheCodePageIsRefusedAndTheDialogStaysOpen) {
  int saves = 0;
  dialog.SetNameSaver([&] { return ++saves, true; });
  bool stillOpen = false;
  WhenModalOpens<TWelcomeForm>([&](TWelcomeForm* open) {
    open->Edit1->setText(QString::fromUtf8("Łukasz"));
    WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
      message = box->text();
      box->accept();
    });
    open->BitBtn1->click();
    stillOpen = open->isVisible();
    open->close();
  });
  dialog.ShowModal();
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(message.contains("U+0141"));
  EXPECT_EQ(settings[1], "User Name");
  EXPECT_EQ(saves, 0);
  EXPECT_FALSE(fs::exists(LinkInFolder()));
}

TEST_F(WelcomeForm, TheCloseBoxStoresNothingAndMakesNoLink) {
  int saves = 0;
  dialog.SetNameSaver([&] { return ++saves, true; });
  WhenModalOpens<TWelcomeForm>([](TWelcomeForm* open) {
    open->Edit1->setText("Ann");
    open->CheckBox3->setChecked(true);
    open->close();
  });
  dialog.ShowModal();
  EXPECT_FALSE(dialog.CheckInBrowsersChosen()) << "web browsers are checked only when OK confirms it";
  EXPECT_EQ(settings[1], "User Name");
  EXPECT_EQ(saves, 0);
  EXPECT_TRUE(fs::is_empty(session.linkFolder()));
  EXPECT_FALSE(fs::exists(session.applications()));
}

TEST_F(WelcomeForm, TheLinkStartsTheProgramInItsFolderAndPassesTheValidator) {
  Complete("Ann", false, false);
  const std::string entry = ReadFile(LinkInFolder());
  const std::string folder = session.program().string();  // holds a blank
  EXPECT_NE(entry.find("\nExec=\"" + folder + "/QOR_Vuruzid\"\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nPath=" + folder + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nName=QOR Vuruzid\n"), std::string::npos);
  EXPECT_TRUE(IsExecutable(LinkInFolder()));
  const std::string check = "desktop-file-validate '" + LinkInFolder().string() + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST_F(WelcomeForm, BothBoxesPutTheGroupInTheMenuAndTheLinkOnTheDesktop) {
  Complete("Ann", true, true, true);
  EXPECT_TRUE(dialog.CheckInBrowsersChosen());
  EXPECT_TRUE(message.isEmpty()) << message.toStdString();
  EXPECT_TRUE(fs::exists(LinkInMenu()));
  EXPECT_TRUE(fs::exists(LinkOnDesktop()));
  EXPECT_TRUE(IsExecutable(LinkOnDesktop()));
  EXPECT_TRUE(fs::is_empty(session.linkFolder()));
  EXPECT_EQ(ReadFile(LinkInMenu()), ReadFile(LinkOnDesktop()));
}

TEST_F(WelcomeForm, TheMenuBoxAloneCopiesTheGroupAndKeepsTheLink) {
  Complete("Ann", true, false);
  EXPECT_TRUE(fs::exists(LinkInMenu()));
  EXPECT_TRUE(fs::exists(LinkInFolder()));
  EXPECT_FALSE(fs::exists(LinkOnDesktop()));
}

TEST_F(WelcomeForm, TheDesktopBoxAloneMovesTheLinkAndLeavesTheMenuAlone) {
  Complete("Ann", false, true);
  EXPECT_TRUE(fs::exists(LinkOnDesktop()));
  EXPECT_FALSE(fs::exists(LinkInFolder()));
  EXPECT_FALSE(fs::exists(session.applications()));
}

TEST_F(WelcomeForm, NeitherBoxOnlyMakesTheLinkInTheLinkFolder) {
  Complete("Ann", false, false);
  EXPECT_TRUE(message.isEmpty()) << message.toStdString();
  EXPECT_TRUE(fs::exists(LinkInFolder()));
  EXPECT_FALSE(fs::exists(session.applications()));
  EXPECT_TRUE(fs::is_empty(session.desktop()));
}

TEST_F(WelcomeForm, AnExistingMenuGroupGetsACopyUnderANewName) {
  WriteFile(session.applications() / "Doder" / "other.desktop", "someone else's");
  Complete("Ann", true, false);
  EXPECT_TRUE(message.isEmpty()) << message.toStdString();
  EXPECT_EQ(ReadFile(session.applications() / "Doder" / "other.desktop"), "someone else's");
  EXPECT_FALSE(fs::exists(LinkInMenu()));
  EXPECT_TRUE(fs::exists(LinkInMenu("Doder (2)")));
}

TEST_F(WelcomeForm, AnExistingDesktopLinkIsKeptAndTheNewOneStaysInTheLinkFolder) {
  WriteFile(LinkOnDesktop(), "the user's own link");
  Complete("Ann", false, true);
  EXPECT_EQ(ReadFile(LinkOnDesktop()), "the user's own link");
  EXPECT_TRUE(fs::exists(LinkInFolder()));
  EXPECT_TRUE(message.contains("already has a shortcut")) << message.toStdString();
}

TEST_F(WelcomeForm, MissingMenuAndDesktopFoldersAreSkippedWithAMessage) {
  WriteFile(session.home() / "blocked", "a file where the data folder should be");
  ::setenv("XDG_DATA_HOME", (session.home() / "blocked").c_str(), 1);
  session.SetDesktopFolder(session.home() / "No Desktop");
  Complete("Ann", true, true);
  EXPECT_TRUE(message.contains("applications menu folder could not be found")) << message.toStdString();
  EXPECT_TRUE(message.contains("desktop folder could not be found")) << message.toStdString();
  EXPECT_TRUE(fs::exists(LinkInFolder()));
  EXPECT_FALSE(fs::exists(session.home() / "No Desktop"));
  EXPECT_EQ(settings[1], "Ann");
}

TEST_F(WelcomeForm, AMissingLinkFolderIsReportedAndNothingIsPlaced) {
  fs::remove_all(session.linkFolder());
  Complete("Ann", true, true);
  EXPECT_TRUE(message.contains("shortcut could not be made")) << message.toStdString();
  EXPECT_FALSE(fs::exists(session.applications() / "Doder"));
  EXPECT_TRUE(fs::is_empty(session.desktop()));
  EXPECT_EQ(settings[1], "Ann");  // the name is kept all the same
}

TEST_F(WelcomeForm, WorksFromAVeryLongProgramFolder) {
  fs::path deep = session.program();
  while (deep.string().size() < 600) deep /= "a rather long folder name";
  fs::create_directories(deep / "Doder");
  fs::current_path(deep);
  Complete("Ann", true, true);
  EXPECT_TRUE(message.isEmpty()) << message.toStdString();
  const std::string entry = ReadFile(LinkOnDesktop());
  EXPECT_NE(entry.find("\nPath=" + deep.string() + "\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(LinkInMenu()));
}

// An installed copy: the link folder is made in the user's data folder (the
// program folder cannot be written) and the links start the launcher.
TEST_F(WelcomeForm, AnInstalledCopysLinksLiveInTheUsersFolderAndStartTheLauncher) {
  const fs::path userHome = session.home() / "share" / "qor-vuruzid";
  const fs::path launcher = "/usr/bin/qor-vuruzid";
  dialog.SetShortcutPlaces(userHome, launcher);
  fs::remove_all(session.linkFolder());  // nothing is made in the program folder
  Complete("Ann", true, true);
  EXPECT_TRUE(message.isEmpty()) << message.toStdString();
  EXPECT_FALSE(fs::exists(session.linkFolder()));
  EXPECT_TRUE(fs::is_directory(userHome / "Doder"));
  EXPECT_TRUE(fs::exists(LinkInMenu()));
  const std::string entry = ReadFile(LinkOnDesktop());
  EXPECT_NE(entry.find("\nExec=" + launcher.string() + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nPath=" + session.program().string() + "\n"), std::string::npos) << entry;
  const std::string check = "desktop-file-validate '" + LinkOnDesktop().string() + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

// The boxes offer what the desktop allows, and OK left as offered raises no warning.
struct Offer {
  const char* name;
  bool systemEntry;  // the installed program's menu entry
  bool desktopFolder;
  const char* offered;
  bool menuLink, desktopLink;
};
void PrintTo(const Offer& offer, std::ostream* out) { *out << offer.name; }

class WelcomeOffer : public WelcomeForm, public ::testing::WithParamInterface<Offer> {};

TEST_P(WelcomeOffer, TicksOnlyWhatCanBeDone) {
  const Offer& c = GetParam();
  if (c.systemEntry) WriteFile(session.systemData() / "applications" / kSystemEntry, "[Desktop Entry]\n");
  if (!c.desktopFolder) fs::remove(session.desktop());
  Complete("Ann", std::nullopt, std::nullopt);
  EXPECT_EQ(offered.toStdString(), std::string(c.offered) + kBrowsersOffered);
  EXPECT_FALSE(dialog.CheckInBrowsersChosen());
  EXPECT_LE(dialog.CheckBox3->sizeHint().width(), dialog.CheckBox3->width()) << "the whole caption shows";
  EXPECT_TRUE(message.isEmpty()) << message.toStdString();
  EXPECT_EQ(fs::exists(LinkInMenu()), c.menuLink);
  EXPECT_EQ(fs::exists(LinkOnDesktop()), c.desktopLink);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, WelcomeOffer,
    ::testing::Values(
        Offer{"portable", false, true,
              "ticked Add to the applications menu; ticked Create Shortcut at the Desktop; ", true, true},
        Offer{"installed", true, true,
              "disabled Already in the applications menu; ticked Create Shortcut at the Desktop; ", false, true},
        Offer{"noDesktop", false, false,
              "ticked Add to the applications menu; Create Shortcut at the Desktop; ", true, false}),
    [](const auto& info) { return std::string(info.param.name); });
