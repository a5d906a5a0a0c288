// A first run inside one process: the welcome dialog stores the name, and the
// About page shows it at once, before the settings file is written.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "ModalDriver.h"
#include "ScratchDesktop.h"
#include "support/Dictionaries.h"
#include "ui/AddWordUnit.h"
#include "ui/HelpUnit.h"
#include "ui/MainUnit.h"
#include "ui/WelcomwUnit.h"

namespace fs = std::filesystem;
using vuruzid::testing::ScratchDesktop;
using vuruzid::testing::WhenModalOpens;

TEST(FirstRun, TheNameGivenInTheWelcomeDialogShowsOnTheAboutPage) {
  ScratchDesktop session;
  vuruzid::testing::WriteDictionary(session.program() / "english.dll", {"CAT"});
  TMainForm window(session.program());
  TAddWordForm addForm(&window);
  THelpForm helpForm(window.SettingsList(), &window);
  TWelcomeForm welcomeForm(window.SettingsList(), &window);
  window.SetDialogs(&addForm, &helpForm, &welcomeForm);
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
