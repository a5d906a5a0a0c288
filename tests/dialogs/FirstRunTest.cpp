// A first run inside one process: the welcome dialog stores the name, and the
// About page shows it at once, before the settings file is written; its web
// browsers box is applied when the dialog is confirmed.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "ModalDriver.h"
#include "ScratchDesktop.h"
#include "support/Dictionaries.h"
#include "ui/support/PrivateSessionBus.h"
#include "ui/AddWordUnit.h"
#include "ui/HelpUnit.h"
#include "ui/MainUnit.h"
#include "ui/WelcomwUnit.h"

namespace fs = std::filesystem;
using vuruzid::testing::ScratchDesktop;
using vuruzid::testing::WhenModalOpens;

// The program folder of a scratch desktop, with an English dictionary.
fs::path ProgramWithDictionary(const ScratchDesktop& session) {
  vuruzid::testing::WriteDictionary(session.program() / "english.dll", {"CAT"});
  return session.program();
}

// The program's first start in a scratch desktop, with its dialogs.
struct FirstStart {
  FirstStart() { window.SetDialogs(&addForm, &helpForm, &welcomeForm); }

  ScratchDesktop session;
  TMainForm window{ProgramWithDictionary(session)};
  TAddWordForm addForm{&window};
  THelpForm helpForm{window.SettingsList(), &window};
  TWelcomeForm welcomeForm{window.SettingsList(), &window};
};

TEST(FirstRun, TheNameGivenInTheWelcomeDialogShowsOnTheAboutPage) {
  FirstStart start;
  auto& [session, window, addForm, helpForm, welcomeForm] = start;
  ASSERT_EQ(window.FirstRun(), 1);  // no settings file yet

  bool mainWindowHiddenDuringWelcome = false;
  WhenModalOpens<TWelcomeForm>([&](TWelcomeForm* open) {
    mainWindowHiddenDuringWelcome = !window.isVisible();
    open->CheckBox1->setChecked(false);
    open->CheckBox2->setChecked(false);
    vuruzid::testing::TypeText(open->Edit1, QStringLiteral(" Ann Example "));
    open->BitBtn1->click();
  });
  window.FormShow();
  window.show();
  EXPECT_TRUE(mainWindowHiddenDuringWelcome);
  EXPECT_EQ(window.FirstRun(), 0);
  EXPECT_TRUE(fs::exists(session.linkFolder() / "QOR_Vuruzid.desktop"));

  QString nameOnAbout;
  int page = -1;
  WhenModalOpens<THelpForm>([&](THelpForm* open) {
    page = open->TabbedNotebook1->currentIndex();
    nameOnAbout = open->Label8->text();
    open->BitBtn1->click();
  });
  auto* helpButton = window.findChild<QWidget*>(QStringLiteral("Image25"));
  ASSERT_NE(helpButton, nullptr);
  QTest::mouseClick(helpButton, Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_EQ(page, 1);
  EXPECT_EQ(nameOnAbout, "Ann Example");
}

// The welcome dialog's web browsers box, on the real accessibility bus
// launcher: applied as the tray item applies it, and only when OK confirms it.
TEST(FirstRun, TheWebBrowsersBoxIsAppliedOnlyWhenTheDialogIsConfirmed) {
  vuruzid::testing::PrivateSessionBus bus;
  ASSERT_TRUE(bus.Ready());
  const struct {
    const char* name;
    bool ticked, confirmed;
    bool switchAfter;
    const char* stored;  // in data/Options.ini; "" for no consent line at all
  } rows[] = {
      {"ticked and confirmed", true, true, true, "CheckInBrowsers=on\nAccessibilitySetByUs=on\n"},
      {"ticked, then the close box", true, false, false, ""},
      {"left unticked", false, true, false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FirstStart start;
    auto& [session, window, addForm, helpForm, welcomeForm] = start;
    bool offeredUnticked = false;
    WhenModalOpens<TWelcomeForm>([&](TWelcomeForm* open) {
      offeredUnticked = !open->CheckBox3->isChecked();
      open->CheckBox1->setChecked(false);
      open->CheckBox2->setChecked(false);
      open->CheckBox3->setChecked(row.ticked);
      vuruzid::testing::TypeText(open->Edit1, QStringLiteral("Ann"));
      row.confirmed ? open->BitBtn1->click() : static_cast<void>(open->close());
    });
    vuruzid::testing::MessageBoxCatcher reports;
    window.FormShow();
    EXPECT_EQ(reports.joined().toStdString(), "");
    EXPECT_TRUE(offeredUnticked);
    EXPECT_EQ(bus.Switch(), row.switchAfter);
    EXPECT_EQ(window.SideSettings().CheckInBrowsers(), row.switchAfter);
    const std::string options = vuruzid::testing::ReadFile(session.program() / "data/Options.ini");
    if (*row.stored) {
      EXPECT_NE(options.find(row.stored), std::string::npos) << options;
    } else {
      EXPECT_EQ(options.find("CheckInBrowsers"), std::string::npos) << options;
    }
    EXPECT_EQ(window.findChildren<QMessageBox*>("Notice").size(), row.switchAfter ? 1 : 0) << "said without waiting";

    // Turned back off as the user would: the tray item.
    auto* item = window.TrayMenu()->findChild<QAction*>("TrayCheckInBrowsers");
    ASSERT_NE(item, nullptr);
    emit window.TrayMenu()->aboutToShow();
    if (item->isChecked()) item->trigger();
    EXPECT_EQ(bus.Switch(), false);
  }
}
