// The main window under the offscreen platform: layout, buttons, displays.
#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QToolTip>
#include <cctype>

#include "engine/Cp1251.h"
#include "engine/VirtualKeys.h"
#include "support/DeviceKeyboard.h"
#include "support/MainWindowFixture.h"
#include "support/PrivateSessionBus.h"
#include "ui/Fonts.h"
#include "ui/WordFit.h"

namespace vuruzid::testing {
namespace {

constexpr int kC = 67, kA = 65, kX = 88, kSpace = 32;

class MainWindowTest : public MainWindowFixture {};

QStringList Items(QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

TEST_F(MainWindowTest, StartsCompactWithEveryElementInPlace) {
  Start();
  EXPECT_EQ(Form().size(), QSize(271, 106));
  EXPECT_TRUE(Form().windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_FALSE(Form().IsStayOnTop());
  EXPECT_TRUE(Element("Image2")->isVisible());
  EXPECT_FALSE(Element("Image1")->isVisible());
  EXPECT_EQ(Text("Label13"), "v");
  EXPECT_EQ(Element("Label13")->pos(), QPoint(104, 78));
  EXPECT_EQ(Text("Label16"), "on");
  EXPECT_FALSE(Element("Image39")->isVisible());
  EXPECT_EQ(Text("Label1"), "Insert");
  EXPECT_EQ(Text("Label2"), "Eng");
  EXPECT_EQ(Text("Label7"), "");
  EXPECT_EQ(Element("Label7")->geometry(), QRect(30, 46, 98, 13));
  EXPECT_EQ(Element("ListBox1")->geometry(), QRect(28, 110, 173, 117));
  EXPECT_EQ(Element("Image28")->geometry(), QRect(169, 12, 42, 15));
  EXPECT_EQ(Element("Image8")->geometry(), QRect(218, 13, 18, 14));
  EXPECT_EQ(Element("Image39")->geometry(), QRect(148, 6, 18, 24));
  EXPECT_EQ(Element("Image38")->geometry(), QRect(18, 76, 19, 20));
  EXPECT_EQ(Form().pos(), QPoint(120, 90));  // from the settings file

  EXPECT_EQ(TextColour("Label7"), QColor(0, 255, 0));
  EXPECT_EQ(TextColour("Label1"), QColor(255, 255, 0));
  EXPECT_EQ(TextColour("Label18"), QColor(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(TextColour("Label17"), QColor(0, 0, 0));
  EXPECT_EQ(Element("Label11")->font().pixelSize(), 16);
  EXPECT_TRUE(Element("Label2")->font().bold());

  EXPECT_EQ(Element("Image29")->toolTip(), "Add new word");
  EXPECT_EQ(Element("Image28")->toolTip(), "Doder check ON/OFF");
  EXPECT_EQ(Element("Image38")->toolTip(), "Signal");
  EXPECT_EQ(Element("Image16")->toolTip(), "");
  EXPECT_EQ(Element("Image11")->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Element("Image12")->cursor().shape(), Qt::PointingHandCursor);

  // The window is cut to the compact outline: rounded corners, bottom at 107.
  const QRegion mask = Form().mask();
  EXPECT_EQ(mask.boundingRect(), QRect(0, 1, 269, 106));
  EXPECT_FALSE(mask.contains(QPoint(1, 2)));
  EXPECT_TRUE(mask.contains(QPoint(135, 60)));
  EXPECT_FALSE(mask.contains(QPoint(135, 150)));
}

TEST_F(MainWindowTest, ElementsAreStackedBottomToTop) {
  Start();
  const QStringList order{
      "Image2",  "Image1",  "Label7",  "Image40", "Image3",  "Image4",  "Label10", "Image10", "Image9",
      "Label12", "Image11", "Image6",  "Image7",  "Label11", "Image8",  "Image5",  "Image14", "Image15",
      "Label13", "Image16", "Image17", "Image18", "Image20", "Image21", "Label14", "Label9",  "Image12",
      "Image23", "Image24", "Label15", "Image26", "Image27", "Label16", "Image28", "Image25", "Label17",
      "Label18", "Image31", "Image30", "Label19", "Image29", "Image34", "Image33", "Label20", "Image35",
      "Image36", "Label21", "Image37", "Image38", "Image39", "Label1",  "Label2",  "ListBox1"};
  QStringList actual;
  for (QObject* child : Form().children())
    if (child->isWidgetType() && order.contains(child->objectName())) actual << child->objectName();
  EXPECT_EQ(actual, order);
}

TEST_F(MainWindowTest, CompactToggleTwiceReturnsToTheStart) {
  Start();
  Click("Image16");
  EXPECT_EQ(Form().Compact(), 0);
  EXPECT_EQ(Form().size(), QSize(271, 256));
  EXPECT_TRUE(Element("Image1")->isVisible());
  EXPECT_FALSE(Element("Image2")->isVisible());
  EXPECT_EQ(Text("Label13"), "^");
  EXPECT_EQ(Element("Label13")->pos(), QPoint(104, 83));
  EXPECT_EQ(Form().mask().boundingRect(), QRect(0, 1, 269, 255));
  EXPECT_TRUE(Form().mask().contains(QPoint(135, 150)));
  EXPECT_TRUE(Element("ListBox1")->isVisible());

  Click("Image16");
  EXPECT_EQ(Form().Compact(), 1);
  EXPECT_EQ(Form().size(), QSize(271, 106));
  EXPECT_TRUE(Element("Image2")->isVisible());
  EXPECT_FALSE(Element("Image1")->isVisible());
  EXPECT_EQ(Text("Label13"), "v");
  EXPECT_EQ(Element("Label13")->pos(), QPoint(104, 78));
  EXPECT_EQ(Form().mask().boundingRect(), QRect(0, 1, 269, 106));
}

TEST_F(MainWindowTest, AnyMouseButtonPressesAndReleasesAButton) {
  Start();
  QWidget* hotspot = Element("Image16");
  QWidget* up = Element("Image15");
  QTest::mousePress(hotspot, Qt::RightButton);
  EXPECT_FALSE(up->isVisible()) << "the pressed picture shows while the button is held";
  EXPECT_EQ(Form().Compact(), 1) << "nothing happens before the release";
  // Released away from the button: the press grabbed the mouse, so it still acts.
  QTest::mouseRelease(hotspot, Qt::RightButton, {}, QPoint(-40, -30));
  EXPECT_TRUE(up->isVisible());
  EXPECT_EQ(Form().Compact(), 0);

  // A double click is two presses and two releases: the form toggles twice.
  // (Qt delivers the second press of a double click as a press followed by a
  // double-click event.)
  QTest::mouseClick(hotspot, Qt::LeftButton);
  QTest::mousePress(hotspot, Qt::LeftButton);
  QTest::mouseDClick(hotspot, Qt::LeftButton);
  QTest::mouseRelease(hotspot, Qt::LeftButton);
  EXPECT_EQ(Form().Compact(), 0);
  EXPECT_TRUE(up->isVisible());
}

TEST_F(MainWindowTest, ButtonLooksReleasedBeforeItsDialogOpens) {
  Start();
  bool upShownDuringDialog = false;
  QString dialogClass;
  ModalWatcher watcher([&](QWidget* modal) {
    if (dynamic_cast<THelpForm*>(modal)) {
      dialogClass = "THelpForm";
      upShownDuringDialog = Element("Image24")->isVisible();
    }
  });
  Click("Image25");
  EXPECT_EQ(dialogClass, "THelpForm");
  EXPECT_TRUE(upShownDuringDialog);
}

TEST_F(MainWindowTest, SignalSwitchHidesAndShowsItsPicture) {
  Start();
  Click("Image38", Qt::RightButton);
  EXPECT_TRUE(Element("Image38")->isVisible()) << "only a left click switches";
  Click("Image38");
  EXPECT_FALSE(Element("Image38")->isVisible());
  EXPECT_EQ(Form().Engine().signalEnabled(), 0);
  Click("Image12");
  EXPECT_TRUE(Element("Image38")->isVisible());
  EXPECT_EQ(Form().Engine().signalEnabled(), 1);
}

TEST_F(MainWindowTest, StayOnTopTogglesAndKeepsTheFullForm) {
  Start();
  Click("Image16");
  Click("Image37");
  EXPECT_TRUE(Form().IsStayOnTop());
  EXPECT_TRUE(Form().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(Form().size(), QSize(271, 256));
  EXPECT_EQ(Form().mask().boundingRect(), QRect(0, 1, 269, 255));
  EXPECT_EQ(Text("Label16"), "on");
  Click("Image37");
  EXPECT_FALSE(Form().IsStayOnTop());
  EXPECT_FALSE(Form().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(Form().Compact(), 0);
}

TEST_F(MainWindowTest, TypedWordsShowGreenThenRedWithNeighbours) {
  Start();
  Type({kC, kA});
  EXPECT_EQ(Text("Label7"), "CA");
  EXPECT_EQ(TextColour("Label7"), QColor(0, 255, 0));
  Type({kX});
  EXPECT_EQ(Text("Label7"), "CAX");
  EXPECT_EQ(TextColour("Label7"), QColor(255, 0, 0));
  EXPECT_EQ(Items(Element<QListWidget>("ListBox1")), QStringList({"CATS", "DOG"}));
  Type({kSpace});
  EXPECT_EQ(Text("Label7"), "CAX_");
  EXPECT_EQ(TextColour("Label7"), QColor(255, 0, 0));
  Type({kC});
  EXPECT_EQ(Text("Label7"), "C");
  EXPECT_EQ(TextColour("Label7"), QColor(0, 255, 0));
  EXPECT_EQ(Element("Label7")->width(), 98);
}

// The word display shows what fits around the caret; the engine keeps the whole word.
TEST(WordFitTest, ShowsWhatFitsAroundTheCaret) {
  const QFontMetrics metrics(ui::SansFont(11));
  constexpr int kWidth = 170;
  const QString letters = QString("ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(40);
  const QString middle = QString(300, 'A') + "MIDDLE" + QString(300, 'B');
  const QString mark(ui::kCutMark);
  struct Row {
    const char* name;
    QString word;
    qsizetype caret;
    bool cut;
    QString shownStart, shownEnd;  // what the shown text starts and ends with
  } rows[] = {
      {"empty", "", 0, false, "", ""},
      {"short word unchanged", "SPELL", 5, false, "SPELL", "SPELL"},
      {"short word, caret inside", "SPELL", 2, false, "SPELL", "SPELL"},
      {"finished wrong word", "SPELLZ_", 7, false, "SPELLZ_", "SPELLZ_"},
      {"long word, caret at the end", letters + "_", letters.size() + 1, true, mark, "XYZ_"},
      {"caret past the end counts as the end", letters, 99999, true, mark, "WXYZ"},
      {"long word, caret at the start", letters, 0, true, "ABCD", mark},
      {"long word, caret in the middle", middle, 303, true, mark + "A", "B" + mark},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QString shown = ui::FitWord(row.word, row.caret, kWidth, metrics);
    EXPECT_TRUE(shown.startsWith(row.shownStart)) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(row.shownEnd)) << shown.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shown), kWidth);
    if (!row.cut) {
      EXPECT_EQ(shown, row.word);
      continue;
    }
    // A cut word fills the display, and shows a run of the word's own letters.
    EXPECT_GT(metrics.horizontalAdvance(shown), kWidth - 2 * metrics.maxWidth());
    QString inner = shown;
    if (inner.startsWith(mark)) inner.remove(0, 1);
    if (inner.endsWith(mark)) inner.chop(1);
    EXPECT_TRUE(row.word.contains(inner)) << shown.toStdString();
  }
  // In the middle the caret's neighbours on both sides stay in sight.
  EXPECT_TRUE(ui::FitWord(middle, 303, kWidth, metrics).contains("AMIDDLEB"));
}

TEST_F(MainWindowTest, ALongWordShowsItsPartAroundTheCaret) {
  Start();
  for (int i = 0; i < 400; ++i) Type({kA + i % 26});
  EXPECT_EQ(Form().Engine().display().word.size(), 400u);  // the engine keeps every letter
  const QString atEnd = Text("Label7");
  EXPECT_TRUE(atEnd.startsWith(ui::kCutMark)) << atEnd.toStdString();
  EXPECT_TRUE(atEnd.endsWith("HIJ")) << atEnd.toStdString();  // letter 400 is the 10th of the alphabet
  EXPECT_LT(atEnd.size(), 40);
  for (int i = 0; i < 200; ++i) Type({vk::kLeft});
  const QString inMiddle = Text("Label7");
  EXPECT_TRUE(inMiddle.startsWith(ui::kCutMark) && inMiddle.endsWith(ui::kCutMark)) << inMiddle.toStdString();
  EXPECT_TRUE(inMiddle.contains("QRST")) << inMiddle.toStdString();  // letters 199 to 202 round the caret
}

TEST_F(MainWindowTest, LanguageButtonSwitchesBothWays) {
  Start();
  Type({kC, kA, kX});
  ASSERT_GT(Element<QListWidget>("ListBox1")->count(), 0);
  Click("Image11");
  EXPECT_EQ(Text("Label2"), "Rus");
  EXPECT_EQ(Form().Engine().layoutId(), "00000419");
  EXPECT_EQ(Form().Engine().wordList().size(), 3u);
  EXPECT_EQ(Element<QListWidget>("ListBox1")->count(), 0);
  Click("Image11");
  EXPECT_EQ(Text("Label2"), "Eng");
  EXPECT_EQ(Form().Engine().layoutId(), "00000409");
}

TEST_F(MainWindowTest, AddButtonOffersTheWordAndStoresItUpperCased) {
  Start();
  Type({kC, kA, kX, kSpace});
  QString offered;
  ModalWatcher watcher([&](QWidget* modal) {
    auto* dialog = dynamic_cast<TAddWordForm*>(modal);
    if (!dialog) return;
    offered = dialog->Edit1->text();
    dialog->Edit1->setText("cax");
    dialog->Button1Click();
  });
  Click("Image29");
  EXPECT_EQ(offered, "CAX");
  EXPECT_EQ(Text("Label7"), "CAX");
  EXPECT_EQ(TextColour("Label7"), QColor(0, 255, 0));
  EXPECT_EQ(folder_.dir().Read("data/dat_u.txt"), "CAX\r\n");
  EXPECT_EQ(Form().Engine().wordList().size(), 4u);
}

TEST_F(MainWindowTest, AddButtonDoesNothingForAnEmptyDisplay) {
  Start();
  ModalWatcher watcher;
  Click("Image29");
  EXPECT_TRUE(watcher.seen().empty());
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "data/dat_u.txt"));
}

TEST_F(MainWindowTest, UnwritableUserWordFileIsReportedAndTheWindowGoesOn) {
  Start();
  folder_.dir().Write("data/dat_u.txt", "");
  std::filesystem::permissions(folder_.path() / "data/dat_u.txt", std::filesystem::perms::owner_read);
  Type({kC, kA, kX, kSpace});
  ModalWatcher watcher([&](QWidget* modal) {
    if (auto* dialog = dynamic_cast<TAddWordForm*>(modal)) dialog->Button1Click();
  });
  Click("Image29");
  ASSERT_EQ(watcher.seen().size(), 2u);
  EXPECT_EQ(watcher.seen()[1].text, "Cannot create file data/dat_u.txt");
  EXPECT_EQ(watcher.seen()[1].icon, QMessageBox::Critical);
  EXPECT_EQ(watcher.seen()[1].title, "QOR_Vuruzid");
  // The word is known from now on; the display still shows the typed word.
  EXPECT_EQ(Text("Label7"), "CAX_");
  EXPECT_EQ(Form().Engine().wordList().size(), 4u);
  Type({kC});
  EXPECT_EQ(Text("Label7"), "C");
}

TEST_F(MainWindowTest, MinimizeWithoutATrayHostIconifiesTheWindow) {
  Start();
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  Click("Image8");
  QTest::qWait(50);
  EXPECT_TRUE(Form().isMinimized());
  EXPECT_TRUE(Form().isVisible());
  EXPECT_FALSE(Form().IsInTray());
}

TEST_F(MainWindowTest, NonMinimizeSystemCommandsLeaveTheWindowAlone) {
  Start();
  Form().WMSysCommand(TMainForm::kScMoveByCaption);
  QTest::qWait(20);
  EXPECT_TRUE(Form().isVisible());
  EXPECT_FALSE(Form().isMinimized());
  EXPECT_FALSE(Form().IsInTray());
}

// Without a window manager to move it, the window follows the pointer itself:
// only a left-button press on the background starts that, and any release
// ends it. (A move started by another button would never see its end.)
TEST_F(MainWindowTest, OnlyTheLeftButtonMovesTheWindowAndAnyReleaseEndsTheMove) {
  Start();
  QWidget* background = Element("Image2");
  const struct {
    const char* name;
    Qt::MouseButton pressed, released;
    QPoint moved;
  } cases[] = {
      {"right button", Qt::RightButton, Qt::RightButton, {0, 0}},
      {"middle button", Qt::MiddleButton, Qt::MiddleButton, {0, 0}},
      {"left button", Qt::LeftButton, Qt::LeftButton, {40, 30}},
      {"left press, right release", Qt::LeftButton, Qt::RightButton, {40, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QPoint before = Form().pos();
    QTest::mousePress(background, c.pressed, {}, QPoint(150, 55));
    QTest::mouseMove(background, QPoint(190, 85));
    QTest::mouseRelease(background, c.released, {}, QPoint(150, 55));
    EXPECT_EQ(Form().pos(), before + c.moved);
    // After the release the pointer goes on alone.
    QTest::mouseMove(background, QPoint(100, 20));
    EXPECT_EQ(Form().pos(), before + c.moved);
    if (c.pressed != c.released) QTest::mouseRelease(background, c.pressed, {}, QPoint(150, 55));
    Form().move(before);
  }
}

TEST_F(MainWindowTest, SuggestionListTakesNoFocusAndShowsNoSelection) {
  Start();
  Form().activateWindow();
  Type({kC, kA, kX});
  auto* list = Element<QListWidget>("ListBox1");
  ASSERT_GE(list->count(), 2);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_FALSE(list->hasFocus());
  EXPECT_EQ(Items(list), QStringList({"CATS", "DOG"})) << "picking a word changes nothing";
}

// A finished wrong word's corrections lead the list, best first, in bold lime;
// compact, the best follows the word where both fit, else it is the word's
// tooltip. Switched off, the list is the neighbours alone, and stays so.
TEST_F(MainWindowTest, CorrectionsLeadTheListAndFollowTheCompactWord) {
  WriteSpellingLibrary();
  Start();
  auto* list = Element<QListWidget>("ListBox1");
  QAction* option = Form().TrayMenu()->findChild<QAction*>("TrayCorrections");
  const char *neighbours = "RECEIVED RECIPE RELIEVE REVIEW", *corrected = "RECEIVE RECEIVED RELIEVE RECIPE REVIEW";
  const struct {
    const char* name;
    bool on, compact;
    std::string_view typed;
    std::string rows;
    int corrections;
    QString beside, toolTip;
  } rows[] = {
      {"while typing, the neighbours", true, false, "RECIE", neighbours, 0, "", ""},
      {"a finished wrong word", true, false, " RECIEVE ", corrected, 4, "", ""},
      {"compact, beside the word", true, true, " RECIEVE ", corrected, 4, " \u2192 RECEIVE", ""},
      {"compact, too long to fit", true, true, " INTERNATIONALISATION ",
       "INTERNATIONALIZATION DON`T RECEIPT RECEIVE RECEIVED RECIPE RELIEVE REVIEW", 1, "", "\u2192 INTERNATIONALIZATION"},
      {"switched off, the list of before at once", false, false, "",
       "DON`T INTERNATIONALIZATION RECEIPT RECEIVE RECEIVED RECIPE RELIEVE REVIEW", 0, "", ""},
      {"switched off, a new word", false, false, " RECIEVE ", neighbours, 0, "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    emit Form().TrayMenu()->aboutToShow();
    if (option->isChecked() != row.on) option->trigger();
    if ((Form().Compact() == 1) != row.compact) Click("Image16");
    Type(row.typed);
    SettleCorrections();
    EXPECT_EQ(Items(list).join(' ').toStdString(), row.rows);
    for (int i = 0; i < list->count(); ++i) {
      EXPECT_EQ(list->item(i)->font().bold(), i < row.corrections) << i;
      EXPECT_EQ(list->item(i)->foreground(), i < row.corrections ? QBrush(QColor(0, 255, 0)) : QBrush()) << i;
    }
    EXPECT_EQ(Element("Label22")->isVisible(), !row.beside.isEmpty());
    if (!row.beside.isEmpty()) {
      EXPECT_EQ(Text("Label22"), row.beside);
    }
    EXPECT_EQ(Element("Label22")->x(), 30 + Element("Label7")->fontMetrics().horizontalAdvance(Text("Label7")));
    EXPECT_EQ(Element("Label7")->toolTip(), row.toolTip);
  }
  EXPECT_NE(folder_.dir().Read("data/Options.ini").find("Corrections=off\n"), std::string::npos);
  TearDown();
  Start();
  EXPECT_FALSE(Form().Engine().CorrectionsEnabled()) << "the choice is kept";
}

// A damaged case file is told once, in a notice that takes no focus, whether
// or not corrections are on to bring it with their answer.
TEST_F(MainWindowTest, ADamagedCaseFileIsToldOnceWithCorrectionsOnOrOff) {
  const struct {
    bool corrections;
    const char* typed;  // in small letters: the case check reads its file
  } cases[] = {{true, "CAX DOG CAX "}, {false, "CAT DOG CAX "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.corrections ? "corrections on" : "corrections off");
    WriteSpellingLibrary();
    folder_.dir().Write("english.cas", "not a case table");
    folder_.dir().Write("data/Options.ini", c.corrections ? "Corrections=on\n" : "Corrections=off\n");
    Start();
    Type(c.typed);
    SettleCorrections();
    QStringList notices;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->objectName() == "Notice" && window->isVisible()) notices << static_cast<QMessageBox*>(window)->text();
    ASSERT_EQ(notices.size(), 1) << notices.join('|').toStdString();
    EXPECT_TRUE(notices[0].startsWith("Words typed in lower case are checked without their letter case")) << notices[0].toStdString();
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->objectName() == "Notice") window->close();
    TearDown();
  }
}

// While checking is on and keys are held back, the word display says why, in
// grey and smaller than a word, cut to the display with the whole line in its
// tooltip; nothing typed before stays, in either form. Keys passing again
// bring back the empty display; with checking off no line is shown.
TEST_F(MainWindowTest, WhileKeysAreHeldBackTheWordDisplaySaysWhy) {
  using capture::Pause;
  WriteSpellingLibrary();
  DeviceKeyboard keyboard;
  ASSERT_TRUE(keyboard.Ready());
  Start();
  auto* list = Element<QListWidget>("ListBox1");
  const QColor grey(0x80, 0x80, 0x80), lime(0, 255, 0);
  const QString browserLine = "not checked in firefox-esr \u2014 see Check in web browsers";
  const struct {
    const char* name;
    bool checking, compact;
    capture::KeyContext context;
    QString line;  // the whole line; empty: none shown
    bool cut;
    bool offWhileHeld;  // checking is switched off while the keys are held back
  } rows[] = {
      {"a password field, compact", true, true, {Pause::PasswordField, "gedit"}, "not checked: password field", false, false},
      {"a password field, full", true, false, {Pause::PasswordField, "gedit"}, "not checked: password field", false, false},
      {"a browser without accessibility, compact", true, true, {Pause::BrowserUnseen, "firefox-esr"}, browserLine, true, false},
      {"a browser without accessibility, full", true, false, {Pause::BrowserUnseen, "firefox-esr"}, browserLine, true, false},
      {"a program left alone", true, true, {Pause::ProgramLeftAlone, "XTerm"}, "not checked in XTerm", false, false},
      {"the screen locked", true, false, {Pause::ScreenLocked, ""}, "not checked: screen locked", false, false},
      {"checking switched off while held back", true, true, {Pause::PasswordField, "gedit"}, "", false, true},
      {"checking off", false, true, {Pause::PasswordField, "gedit"}, "", false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if ((Form().Checking().CheckingOn() == 1) != row.checking) Click("Image28");
    ASSERT_EQ(Form().Checking().CheckingOn(), row.checking ? 1 : 0);
    if ((Form().Compact() == 1) != row.compact) Click("Image16");
    Type(" RECIEVE ");
    SettleCorrections();
    ASSERT_GT(list->count(), 0);
    ASSERT_EQ(Element("Label22")->isVisible(), row.compact);

    Form().ContextChanged(row.context);
    if (row.offWhileHeld) Click("Image28");
    EXPECT_EQ(Form().Engine().display().word, "") << "the word typed before is gone";
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(Element("Label22")->isVisible());
    const QString shown = Text("Label7");
    if (row.line.isEmpty()) {
      EXPECT_EQ(shown, "");
      EXPECT_EQ(Element("Label7")->toolTip(), "");
    } else {
      EXPECT_EQ(TextColour("Label7"), grey);
      EXPECT_EQ(Element("Label7")->toolTip(), row.line);
      EXPECT_LE(Element("Label7")->fontMetrics().horizontalAdvance(shown), 170) << shown.toStdString();
      EXPECT_LT(Element("Label7")->font().pixelSize(), Element("Label2")->font().pixelSize());
      if (row.cut) {
        EXPECT_TRUE(shown.endsWith(ui::kCutMark)) << shown.toStdString();
        EXPECT_TRUE(row.line.startsWith(shown.chopped(1))) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith("not checked in firefox-esr")) << shown.toStdString();
      } else {
        EXPECT_EQ(shown, row.line);
      }
    }

    Form().ContextChanged({Pause::NotPaused, row.context.program});
    EXPECT_EQ(Text("Label7"), "") << "empty until typing";
    EXPECT_EQ(Element("Label7")->toolTip(), "");
    Type("CA");
    EXPECT_EQ(Text("Label7"), "CA");
    EXPECT_EQ(TextColour("Label7"), lime);
    EXPECT_EQ(Element("Label7")->font().pixelSize(), 11);
    EXPECT_EQ(Element("Label7")->width(), 98);
  }
}

// The tray's consent to checking web browsers, on the real accessibility bus
// launcher: the desktop's switch is turned on only where it is off, and off
// again only when this program turned it on. Without a session bus the user is
// told and nothing is stored.
TEST_F(MainWindowTest, CheckingInWebBrowsersSetsOnlyTheSwitchItFoundOff) {
  PrivateSessionBus bus;
  ASSERT_TRUE(bus.Ready());
  ASSERT_EQ(bus.Switch(), false);
  Start();
  QAction* item = Form().TrayMenu()->findChild<QAction*>("TrayCheckInBrowsers");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "Check in web browsers (turns on the desktop's accessibility support)");
  const QList<QAction*> entries = Form().TrayMenu()->actions();
  EXPECT_EQ(entries.indexOf(item), entries.indexOf(Form().TrayMenu()->findChild<QAction*>("TrayCorrections")) + 1);
  const auto options = [&] { return folder_.dir().Read("data/Options.ini"); };
  const auto notices = [&] { return Form().findChildren<QMessageBox*>("Notice").size(); };
  const struct {
    const char* name;
    std::optional<bool> switchBefore;  // nothing: no session bus
    std::optional<bool> switchAfter;
    bool checked;
    const char* stored;  // the two options as Options.ini holds them
    bool notice;
    const char* error;
  } rows[] = {
      {"on, the switch off: turned on by us", false, true, true, "CheckInBrowsers=on\nAccessibilitySetByUs=on", true, ""},
      {"off again: the switch we set goes off", true, false, false, "CheckInBrowsers=off\nAccessibilitySetByUs=off", false,
       ""},
      {"on, the switch on already: only the consent", true, true, true, "CheckInBrowsers=on\nAccessibilitySetByUs=off",
       true, ""},
      {"off again: someone else's switch stays on", true, true, false, "CheckInBrowsers=off\nAccessibilitySetByUs=off",
       false, ""},
      {"on without a session bus: told, nothing stored", std::nullopt, std::nullopt, false,
       "CheckInBrowsers=off\nAccessibilitySetByUs=off", false, "cannot be reached"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<QByteArray> address;
    if (!row.switchBefore) {
      address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
      qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    } else if (bus.Switch() != row.switchBefore) {
      bus.SetSwitch(*row.switchBefore);
    }
    const qsizetype noticesBefore = notices();
    emit Form().TrayMenu()->aboutToShow();
    ModalWatcher watcher;
    item->trigger();
    if (address) qputenv("DBUS_SESSION_BUS_ADDRESS", *address);
    if (row.switchAfter) {
      EXPECT_EQ(bus.Switch(), row.switchAfter);
    }
    EXPECT_EQ(item->isChecked(), row.checked);
    EXPECT_EQ(Form().SideSettings().CheckInBrowsers(), row.checked);
    EXPECT_NE(options().find(row.stored), std::string::npos) << options();
    EXPECT_EQ(notices() > noticesBefore, row.notice);
    if (row.notice) {
      const QString text = Form().findChildren<QMessageBox*>("Notice").back()->text();
      EXPECT_TRUE(text.contains("started from now on") && text.contains("restart") && text.contains("slower"))
          << text.toStdString();
    }
    ASSERT_EQ(watcher.seen().size(), *row.error ? 1u : 0u) << "the notice never waits for the user";
    if (*row.error) {
      EXPECT_TRUE(watcher.seen()[0].text.contains(row.error)) << watcher.seen()[0].text.toStdString();
    }
  }
  bus.SetSwitch(false);
  EXPECT_EQ(bus.Switch(), false);
  TearDown();
  Start();
  EXPECT_FALSE(Form().SideSettings().CheckInBrowsers()) << "the choice is kept";
}

// The answer for a word the next key replaced never reaches the window, nor
// one still being found as the window goes. Clicking a correction copies it.
TEST_F(MainWindowTest, ALateAnswerIsDroppedAndAClickedCorrectionIsCopied) {
  WriteSpellingLibrary();
  Start();
  Click("Image16");
  auto* list = Element<QListWidget>("ListBox1");
  Type("RECIEVE R");  // the answer for RECIEVE_ can only arrive after the R
  SettleCorrections();
  EXPECT_EQ(Form().Engine().display().correctionCount, 0u);
  EXPECT_EQ(list->item(0)->text(), "INTERNATIONALIZATION") << "the neighbours of R";
  QGuiApplication::clipboard()->setText("before");
  // Copied in the case the word was typed in: capitals with Shift held.
  const struct {
    std::string_view typed;
    int row;
    QString copied;
  } clicks[] = {{" RECIEVE ", 4, "before"},  // REVIEW, a neighbour
                {"", 1, "RECEIVED"},
                {" recieve ", 0, "receive"},
                {" Recieve ", 1, "Received"},
                {"dont ", 0, "don't"},
                {"DONT ", 0, "DON'T"}};
  for (const auto& click : clicks) {
    SCOPED_TRACE(std::string(click.typed));
    for (char typed : click.typed)
      Form().KeyDown({.virtualKey = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(typed))),
                      .insertKeyState = 1, .shift = std::isupper(static_cast<unsigned char>(typed)) != 0});
    SettleCorrections();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(click.row)).center());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), click.copied);
  }
  Type("RECIEVE ");
  TearDown();
  QCoreApplication::processEvents();
}

// A wrong word whose keys spell a Russian word in the Russian layout: with
// Follow my typing off, that word leads the list, bold yellow and marked, the
// compact form shows it after the word, and a click copies the word alone in
// the case the keys were typed in. On (its default where no layout switch can
// be seen, as here without a capture), the language switches instead, said in
// a hint under the language; the choice is kept in the options file.
TEST_F(MainWindowTest, AWordTypedInTheOtherLayoutLeadsTheListOrSwitchesTheLanguage) {
  folder_.WriteLibrary("russian.dll", {{*cp1251::FromUtf8("КОТ"), 30}, {*cp1251::FromUtf8("ПРИВЕТ"), 50}});
  Start();
  auto* list = Element<QListWidget>("ListBox1");
  QAction* option = Form().TrayMenu()->findChild<QAction*>("TrayFollowTyping");
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(option->text(), "Follow my typing");
  emit Form().TrayMenu()->aboutToShow();
  EXPECT_TRUE(option->isChecked());
  EXPECT_TRUE(Form().Engine().FollowTyping()) << "no layout switch is seen without a capture";
  option->trigger();
  EXPECT_FALSE(option->isChecked());
  EXPECT_FALSE(Form().Engine().FollowTyping());

  const auto typeCased = [&](std::string_view text) {
    for (char typed : text)
      Form().KeyDown({.virtualKey = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(typed))),
                      .insertKeyState = 1, .shift = std::isupper(static_cast<unsigned char>(typed)) != 0});
  };
  QGuiApplication::clipboard()->setText("before");
  const struct {
    const char* typed;
    bool compact;
    const char* copied;
  } rows[] = {
      {"ghbdtn ", true, "привет"},
      {"Ghbdtn ", false, "Привет"},
      {"GHBDTN ", true, "ПРИВЕТ"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    if ((Form().Compact() == 1) != row.compact) Click("Image16");
    typeCased(row.typed);
    SettleCorrections();
    EXPECT_EQ(Text("Label2"), "Eng");
    ASSERT_GT(list->count(), 0);
    QListWidgetItem* first = list->item(0);
    EXPECT_EQ(first->text(), "ПРИВЕТ \u2014 ru layout");
    EXPECT_TRUE(first->font().bold());
    EXPECT_EQ(first->foreground(), QBrush(QColor(255, 255, 0)));
    for (int i = 1; i < list->count(); ++i) EXPECT_FALSE(list->item(i)->text().contains("layout")) << i;
    EXPECT_EQ(Element("Label22")->isVisible(), row.compact);
    if (row.compact) {
      EXPECT_EQ(Text("Label22"), " \u2192 ПРИВЕТ") << "after the word";
    }
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(first).center());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), row.copied);
  }

  option->trigger();
  EXPECT_TRUE(Form().Engine().FollowTyping());
  typeCased("ghbdtn ");
  EXPECT_EQ(Text("Label2"), "Rus");
  EXPECT_EQ(QToolTip::text(), "Switched to Russian: you are typing in the Russian layout");
  EXPECT_FALSE(list->count() > 0 && list->item(0)->text().contains("layout"));
  EXPECT_NE(folder_.dir().Read("data/Options.ini").find("FollowTyping=on\n"), std::string::npos);
  option->trigger();
  TearDown();
  Start();
  EXPECT_FALSE(Form().Engine().FollowTyping()) << "the choice is kept";
}

TEST(CorrectionToCopyTest, TheCorrectionTakesTheCaseOfTheTypedWordAndAnApostrophe) {
  const struct {
    const char* listed;
    LetterCase typedCase;
    const char* copied;
  } rows[] = {
      {"AND", LetterCase::Lower, "and"},
      {"AND", LetterCase::Capitalised, "And"},
      {"AND", LetterCase::Capitals, "AND"},
      {"DON`T", LetterCase::Lower, "don't"},
      {"DON`T", LetterCase::Capitalised, "Don't"},
      {"DON`T", LetterCase::Capitals, "DON'T"},
      {"ЕЩЕ", LetterCase::Lower, "еще"},
      {"ЁЛКА", LetterCase::Capitalised, "Ёлка"},
      {"Ǆ", LetterCase::Lower, "Ǆ"},  // no Windows-1251 letter: as listed
  };
  for (const auto& row : rows)
    EXPECT_EQ(ui::CorrectionToCopy(QString::fromUtf8(row.listed), row.typedCase), QString::fromUtf8(row.copied))
        << row.listed << " " << int(row.typedCase);
}

// A press the capture delivers moves the caret where the pointer is: over
// one of the program's own windows no caret moves and the word goes on;
// elsewhere the word is let go of.
TEST_F(MainWindowTest, APressOverTheWindowKeepsTheWordAndOneElsewhereLetsGoOfIt) {
  Start();
  const struct {
    const char* where;
    bool over;
    QString shown;
  } rows[] = {{"over the word display", true, "CAT"}, {"away from the window", false, "T"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.where);
    // As the platform tells the pointer came in or left.
    if (row.over) {
      const QPointF at(60, 52);
      QEnterEvent enter(at, at, Form().mapToGlobal(at));
      QCoreApplication::sendEvent(Form().windowHandle(), &enter);
      QTest::mouseMove(Form().windowHandle(), at.toPoint());
    } else {
      QEvent leave(QEvent::Leave);
      QCoreApplication::sendEvent(Form().windowHandle(), &leave);
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(Form().underMouse(), row.over);
    Type(" CA");
    Form().KeyDown({.insertKeyState = 1, .pointerButton = 1});
    Type("T");
    EXPECT_EQ(Text("Label7"), row.shown);
  }
}

// Without its frequency file the list still shows corrections, and a notice
// says why once, without taking the keyboard from the program typed in.
TEST_F(MainWindowTest, AMissingFrequencyFileIsToldInANoticeThatWaitsForNothing) {
  WriteSpellingLibrary();
  std::filesystem::remove(folder_.path() / "english.frq");
  Start();
  for (std::string_view typed : {"RECIEVE ", "RECIEVE "}) {
    Type(typed);
    SettleCorrections();
    EXPECT_GT(Form().Engine().display().correctionCount, 0u);
  }
  const QList<QMessageBox*> notices = Form().findChildren<QMessageBox*>("Notice");
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices.front()->text().contains("english.frq")) << notices.front()->text().toStdString();
  EXPECT_TRUE(notices.front()->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(notices.front()->testAttribute(Qt::WA_ShowWithoutActivating));
}

// A later start of the program asks the running one for its window.
TEST_F(MainWindowTest, BringForwardRestoresAMinimizedWindowAndLeavesAnUnshownOneAlone) {
  Start();
  Form().showMinimized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Form().isMinimized(); }, 2000));
  Form().BringForward();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Form().isMinimized(); }, 2000));
  EXPECT_TRUE(Form().isVisible());

  // Before the first show (the welcome dialog of a first run is up) the window stays unshown.
  TMainForm unshown(folder_.path());
  unshown.BringForward();
  QCoreApplication::processEvents();
  EXPECT_FALSE(unshown.isVisible());
}

// A dialog the window system minimizes while it blocks the main window comes
// straight back, for every dialog the window opens.
TEST_F(MainWindowTest, AMinimizedModalDialogIsShownAgain) {
  Start();
  const struct {
    const char* button;
    const char* dialog;
  } cases[] = {{"Image25", "THelpForm"}, {"Image29", "TAddWordForm"}};
  Type({kC, kA, kX});  // a word for the add button to offer
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dialog);
    bool minimized = false, back = false;
    QString seen;
    ModalWatcher watcher([&](QWidget* modal) {
      seen = "another window";
      if (dynamic_cast<THelpForm*>(modal)) seen = "THelpForm";
      if (dynamic_cast<TAddWordForm*>(modal)) seen = "TAddWordForm";
      modal->setWindowState(Qt::WindowMinimized);
      minimized = modal->isMinimized();
      back = QTest::qWaitFor([modal] { return !modal->isMinimized() && modal->isVisible(); }, 3000);
    });
    Click(c.button);
    EXPECT_EQ(seen, c.dialog);
    EXPECT_TRUE(minimized);
    EXPECT_TRUE(back);
  }
}

}  // namespace
}  // namespace vuruzid::testing
