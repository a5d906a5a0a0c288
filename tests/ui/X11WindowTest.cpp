// The real main window on an X server with openbox and trayer: its shape,
// moving it, keeping it on top, the tray, and keys typed on the desktop.
#include <X11/keysym.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QPolygon>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QToolTip>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>

#include "support/MainWindowFixture.h"
#include "support/PrivateSessionBus.h"
#include "support/TempFolder.h"
#include "support/X11Probe.h"

namespace vuruzid::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The two outlines, as the window should be cut.
QRegion Outline(bool compact) {
  const QPolygon full{{18, 1},  {252, 1},  {257, 3},  {261, 5},  {267, 13}, {269, 19}, {269, 234},
                      {268, 240}, {264, 248}, {258, 253}, {250, 256}, {18, 256}, {11, 253}, {5, 248},
                      {1, 241},  {0, 234},  {0, 20},   {2, 13},   {6, 7},    {11, 3},   {18, 1}};
  const QPolygon compactForm{{18, 1},  {252, 1},  {257, 3},  {261, 5},  {267, 13}, {269, 19}, {269, 85},
                             {268, 91}, {264, 99}, {258, 104}, {249, 107}, {19, 107}, {11, 104}, {5, 99},
                             {1, 92},  {0, 85},   {0, 20},   {2, 13},   {6, 7},    {11, 3},   {18, 1}};
  return QRegion(compact ? compactForm : full, Qt::OddEvenFill);
}

class X11WindowTest : public MainWindowFixture {
 protected:
  // The X window as it is now: a change of the on-top style makes Qt create a
  // new one the next time the window is shown.
  unsigned long Window() { return Form().windowHandle()->winId(); }
  QString At(QPoint local) {
    const QPoint global = Form().mapToGlobal(local);
    return QString::number(global.x()) + " " + QString::number(global.y());
  }
  // Clicks a point of the window with the real pointer.
  void ClickAt(QPoint local, int button = 1) {
    const QPoint global = Form().mapToGlobal(local);
    ASSERT_TRUE(RunXdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click",
                            QString::number(button)}));
  }
  template <typename Condition>
  bool WaitFor(Condition condition, int ms = 3000) {
    return QTest::qWaitFor(condition, ms);
  }

  X11Probe probe_;
};

TEST_F(X11WindowTest, WindowIsCutToTheCompactThenTheFullOutline) {
  Start();
  ASSERT_TRUE(WaitFor([&] { return !probe_.Shape(Window()).isEmpty(); }));
  EXPECT_EQ(probe_.Shape(Window()), Outline(true));
  Click("Image16");
  ASSERT_TRUE(WaitFor([&] { return probe_.Shape(Window()) == Outline(false); }));
  Click("Image16");
  EXPECT_TRUE(WaitFor([&] { return probe_.Shape(Window()) == Outline(true); }));
}

// Run once more by CTest with QT_SCALE_FACTOR=2: on a high-density screen the
// window and its outline are drawn at the screen's scale, not 271 pixels wide.
TEST_F(X11WindowTest, SizeAndOutlineFollowTheScreensScale) {
  Start();
  const qreal scale = Form().devicePixelRatioF();
  if (const QByteArray asked = qgetenv("QT_SCALE_FACTOR"); !asked.isEmpty()) {
    EXPECT_EQ(scale, asked.toDouble());
  }
  const auto scaled = [scale](const QRegion& region) {
    QRegion result;
    for (const QRect& rect : region) result += QRect(rect.topLeft() * scale, rect.size() * scale);
    return result;
  };
  // The window's size as the X server has it, in its own pixels.
  const auto serverSize = [&] {
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(Window())});
    xwininfo.waitForFinished(5000);
    const QString info = QString::fromLatin1(xwininfo.readAllStandardOutput());
    const auto field = [&info](const char* name) {
      const QRegularExpressionMatch match =
          QRegularExpression(QStringLiteral("%1: +(\\d+)").arg(QLatin1String(name))).match(info);
      return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return QSize(field("Width"), field("Height"));
  };
  ASSERT_TRUE(WaitFor([&] { return !probe_.Shape(Window()).isEmpty(); }));
  EXPECT_EQ(serverSize(), QSize(271, 106) * scale);
  EXPECT_EQ(probe_.Shape(Window()), scaled(Outline(true)));
  Click("Image16");
  EXPECT_TRUE(WaitFor([&] { return probe_.Shape(Window()) == scaled(Outline(false)); }));
  EXPECT_EQ(serverSize(), QSize(271, 256) * scale);
}

TEST_F(X11WindowTest, DraggingTheBackgroundMovesTheWindowAndCloseSavesThePlace) {
  Start();
  const QPoint before = Form().pos();
  const QPoint grip = Form().mapToGlobal(QPoint(150, 55));  // bare background
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(grip.x()), QString::number(grip.y())}));
  ASSERT_TRUE(RunXdotool({"mousedown", "1"}));
  QTest::qWait(100);
  for (int step = 1; step <= 5; ++step) {
    ASSERT_TRUE(RunXdotool({"mousemove", QString::number(grip.x() + 20 * step), QString::number(grip.y() + 12 * step)}));
    QTest::qWait(30);
  }
  ASSERT_TRUE(RunXdotool({"mouseup", "1"}));
  ASSERT_TRUE(WaitFor([&] { return Form().pos() == before + QPoint(100, 60); }))
      << Form().pos().x() << "," << Form().pos().y();
  Form().close();
  const auto saved = folder_.ReadSettings();
  ASSERT_GE(saved.size(), 9u);
  EXPECT_EQ(saved[5], std::to_string(before.x() + 100));
  EXPECT_EQ(saved[6], std::to_string(before.y() + 60));
}

// The window manager may minimize a dialog although it offers no minimize
// button; the main window it blocks would then be stuck with no way back.
TEST_F(X11WindowTest, AModalDialogMinimizedByTheWindowManagerComesBack) {
  Start();
  bool back = false;
  ModalWatcher watcher([&](QWidget* modal) {
    if (!dynamic_cast<THelpForm*>(modal)) return;
    const unsigned long dialog = modal->windowHandle()->winId();
    ASSERT_TRUE(WaitFor([&] { return probe_.Viewable(dialog); }));
    ASSERT_TRUE(RunXdotool({"windowminimize", QString::number(dialog)}));
    WaitFor([&] { return !probe_.Viewable(dialog) || probe_.WmState(dialog) == 3; }, 2000);
    back = WaitFor([&] { return probe_.Viewable(dialog) && probe_.WmState(dialog) == 1 && !modal->isMinimized(); });
  });
  Click("Image25");
  EXPECT_TRUE(back);
}

TEST_F(X11WindowTest, PressingAButtonDoesNotMoveTheWindowAndReleasingElsewhereStillActs) {
  Start();
  const QPoint before = Form().pos();
  const QPoint button = Form().mapToGlobal(QPoint(108, 86));  // the compact button
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(button.x()), QString::number(button.y()), "mousedown", "1"}));
  EXPECT_TRUE(WaitFor([&] { return !Element("Image15")->isVisible(); }));
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(button.x() + 300), QString::number(button.y() + 200)}));
  ASSERT_TRUE(RunXdotool({"mouseup", "1"}));
  EXPECT_TRUE(WaitFor([&] { return Form().Compact() == 0; }));
  EXPECT_TRUE(Element("Image15")->isVisible());
  EXPECT_EQ(Form().pos(), before);
}

TEST_F(X11WindowTest, StayOnTopTurnsCheckingOffAndPutsTheWindowAbove) {
  Start();
  Click("Image28");
  ASSERT_EQ(Form().Checking().CheckingOn(), 1) << "the capture could not start";
  EXPECT_EQ(Text("Label16"), "off");
  EXPECT_TRUE(Element("Image39")->isVisible());

  Click("Image37");
  EXPECT_EQ(Form().Checking().CheckingOn(), 0);
  EXPECT_EQ(Form().Checking().HookHandle(), 0u);
  EXPECT_EQ(Text("Label16"), "on");
  EXPECT_FALSE(Element("Image39")->isVisible());
  EXPECT_TRUE(WaitFor([&] { return probe_.NetWmState(Window()).contains("_NET_WM_STATE_ABOVE"); }));
  EXPECT_EQ(probe_.Shape(Window()), Outline(true)) << "the window keeps its outline";

  Click("Image37");
  EXPECT_TRUE(WaitFor([&] { return !probe_.NetWmState(Window()).contains("_NET_WM_STATE_ABOVE"); }));
  EXPECT_EQ(Form().Checking().CheckingOn(), 0);
}

TEST_F(X11WindowTest, KeysTypedOnTheDesktopReachTheWordDisplay) {
  Start();
  Click("Image16");  // the full form
  Click("Image28");
  ASSERT_EQ(Form().Checking().CheckingOn(), 1) << "the capture could not start";
  for (unsigned long keysym : {XK_c, XK_a, XK_x}) probe_.TypeKeysym(keysym);
  EXPECT_TRUE(WaitFor([&] { return Text("Label7") == "CAX"; })) << Text("Label7").toStdString();
  EXPECT_EQ(TextColour("Label7"), QColor(255, 0, 0));
  // Finished wrong, its corrections arrive, and a click on one copies it.
  probe_.TypeKeysym(XK_space);
  auto* list = Element<QListWidget>("ListBox1");
  ASSERT_TRUE(WaitFor([&] { return Form().Engine().display().correctionCount > 0 && list->item(0)->text() == "CAT"; }));
  // The click on the list is no caret move: the word and its corrections stay, and it is copied as typed.
  const QString shown = Text("Label7");
  const QPoint firstRow = list->viewport()->mapTo(&Form(), list->visualItemRect(list->item(0)).center());
  ClickAt(firstRow);
  EXPECT_TRUE(WaitFor([&] { return QGuiApplication::clipboard()->text() == "cat"; }))
      << QGuiApplication::clipboard()->text().toStdString();
  QTest::qWait(300);  // the press has reached the window by now, had it not been passed over
  EXPECT_EQ(Text("Label7"), shown);
  EXPECT_GT(Form().Engine().display().correctionCount, 0u);
  // Nor in the middle of a word: it goes on after the click.
  for (unsigned long keysym : {XK_d, XK_o}) probe_.TypeKeysym(keysym);
  ClickAt(firstRow);
  probe_.TypeKeysym(XK_g);
  EXPECT_TRUE(WaitFor([&] { return Text("Label7") == "DOG"; })) << Text("Label7").toStdString();
  Click("Image28");
  EXPECT_EQ(Form().Checking().CheckingOn(), 0);
  EXPECT_EQ(Text("Label7"), "") << "no word outlives checking";
  EXPECT_EQ(Element<QListWidget>("ListBox1")->count(), 0);
  probe_.TypeKeysym(XK_b);
  QTest::qWait(100);
  EXPECT_EQ(Text("Label7"), "") << "no keys arrive while checking is off";
}

// Follow my typing, never chosen, is off only where the capture sees the
// layout switches and the language follows them: the X server's keymap
// holds a Latin and a Cyrillic group, and Follow keyboard layout is on.
TEST_F(X11WindowTest, FollowMyTypingIsOnByDefaultWhereTheLayoutCannotBeFollowed) {
  Start();
  Click("Image28");
  ASSERT_EQ(Form().Checking().CheckingOn(), 1) << "the capture could not start";
  QAction* option = Form().TrayMenu()->findChild<QAction*>("TrayFollowTyping");
  QAction* followLayout = Form().TrayMenu()->findChild<QAction*>("TrayFollowLayout");
  ASSERT_TRUE(option && followLayout);
  const struct {
    const char* layout;
    bool followLayout;
    bool followTyping;
  } rows[] = {
      {"us,ru", true, false},
      {"us", true, true},  // no Cyrillic group: the switches tell nothing
      {"us,ru", false, true},
      {"ru,us", true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.layout) + (row.followLayout ? ", following" : ", not following"));
    ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", row.layout}), 0);
    emit Form().TrayMenu()->aboutToShow();
    if (followLayout->isChecked() != row.followLayout) followLayout->trigger();
    // The keymap reaches the capture on its own time; a key gives the engine the default.
    EXPECT_TRUE(WaitFor([&] {
      probe_.TypeKeysym(XK_a);
      QTest::qWait(50);
      emit Form().TrayMenu()->aboutToShow();
      return option->isChecked() == row.followTyping && Form().Engine().FollowTyping() == row.followTyping;
    }));
  }
  QProcess::execute("setxkbmap", {"-layout", "us"});
  EXPECT_FALSE(Form().SideSettings().FollowTypingChosen());
  EXPECT_EQ(ReadFile(folder_.path() / "data" / "Options.ini").find("FollowTyping"), std::string::npos);
  Click("Image28");
}

TEST_F(X11WindowTest, AProgramLeftAloneShowsNothingUntilTheTrayMenuChecksItAgain) {
  Start();
  Click("Image28");
  ASSERT_EQ(Form().Checking().CheckingOn(), 1) << "the capture could not start";
  for (unsigned long keysym : {XK_c, XK_a}) probe_.TypeKeysym(keysym);
  ASSERT_TRUE(WaitFor([&] { return Text("Label7") == "CA"; }));
  QProcess xterm;
  xterm.start("xterm", {"-geometry", "20x2+600+0"});
  ASSERT_TRUE(WaitFor([&] { return Form().Checking().Capture().LastProgram() == "XTerm"; }, 5000));
  // A terminal's words are not shown: the display says why instead.
  EXPECT_TRUE(WaitFor([&] { return Text("Label7") == "not checked in XTerm"; })) << Text("Label7").toStdString();
  EXPECT_EQ(TextColour("Label7"), QColor(0x80, 0x80, 0x80));
  for (unsigned long keysym : {XK_d, XK_o}) probe_.TypeKeysym(keysym);
  QTest::qWait(100);
  EXPECT_EQ(Text("Label7"), "not checked in XTerm");
  EXPECT_EQ(Form().Engine().currentWord(), "");

  QAction* entry = Form().TrayMenu()->findChild<QAction*>("TrayLeaveProgram");
  emit Form().TrayMenu()->aboutToShow();
  EXPECT_EQ(entry->text(), "Don't check in XTerm");
  EXPECT_TRUE(entry->isChecked());
  entry->trigger();
  EXPECT_EQ(ReadFile(folder_.path() / "data" / "left_alone.txt").find("\nxterm\n"), std::string::npos);
  for (unsigned long keysym : {XK_d, XK_o}) probe_.TypeKeysym(keysym);
  EXPECT_TRUE(WaitFor([&] { return Text("Label7") == "DO"; })) << Text("Label7").toStdString();
  xterm.kill();
  xterm.waitForFinished();
}

// A GTK window's plain entry, then its password entry, through the real
// accessibility bus: not one letter of the password reaches the window.
TEST_F(X11WindowTest, NoLetterOfAPasswordReachesTheWindow) {
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "needs a session bus";
  Start();
  Click("Image28");
  ASSERT_EQ(Form().Checking().CheckingOn(), 1) << "the capture could not start";
  QProcess window;
  window.start("/usr/bin/python3", {VURUZID_PASSWORD_WINDOW});
  ASSERT_TRUE(WaitFor([&] { return window.readAllStandardOutput().contains("ready"); }, 10000));
  const auto focus = [&](const char* entry) {
    window.write(QByteArray(entry) + "\n");
    QTest::qWait(300);  // the bus tells of the focus
  };
  const auto type = [&](std::initializer_list<unsigned long> keysyms) {
    for (unsigned long keysym : keysyms) probe_.TypeKeysym(keysym);
  };
  focus("plain");
  type({XK_c, XK_a, XK_t});
  ASSERT_TRUE(WaitFor([&] { return Text("Label7") == "CAT"; })) << "the plain entry is checked as before";
  focus("password");
  EXPECT_TRUE(WaitFor([&] { return Text("Label7") == "not checked: password field"; }))
      << "the word is replaced as the password field gains the focus";
  type({XK_s, XK_w, XK_o, XK_r, XK_d, XK_space, XK_f, XK_i});
  QTest::qWait(200);
  EXPECT_EQ(Text("Label7"), "not checked: password field");
  EXPECT_EQ(Element<QListWidget>("ListBox1")->count(), 0);
  EXPECT_EQ(Form().Engine().currentWord(), "");
  focus("plain");
  type({XK_d, XK_o});
  EXPECT_TRUE(WaitFor([&] { return Text("Label7") == "DO"; })) << Text("Label7").toStdString();
  window.write("quit\n");
  window.waitForFinished();
}

TEST_F(X11WindowTest, AWrongWordRingsTheBellUnlessTheSignalIsOff) {
  Start();
  Click("Image28");
  ASSERT_EQ(Form().Checking().CheckingOn(), 1) << "the capture could not start";
  const int before = probe_.BellsRung();
  for (unsigned long keysym : {XK_c, XK_a, XK_x}) probe_.TypeKeysym(keysym);
  ASSERT_TRUE(WaitFor([&] { return Text("Label7") == "CAX"; }));
  EXPECT_TRUE(WaitFor([&] { return probe_.BellsRung() == before + 1; })) << probe_.BellsRung() - before;
  probe_.TypeKeysym(XK_space);
  ASSERT_TRUE(WaitFor([&] { return Text("Label7") == "CAX_"; }));
  EXPECT_TRUE(WaitFor([&] { return probe_.BellsRung() == before + 3; })) << probe_.BellsRung() - before;

  Click("Image38");  // the signal off: the word still turns red, silently
  const int silent = probe_.BellsRung();
  for (unsigned long keysym : {XK_x, XK_q}) probe_.TypeKeysym(keysym);
  ASSERT_TRUE(WaitFor([&] { return Text("Label7") == "XQ"; }));
  EXPECT_EQ(TextColour("Label7"), QColor(255, 0, 0));
  QTest::qWait(100);
  EXPECT_EQ(probe_.BellsRung(), silent);
}

TEST_F(X11WindowTest, MinimizeGoesToTheTrayAndTheIconBringsTheWindowBack) {
  Start();
  ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
  Click("Image16");  // full form
  Click("Image37");  // on top
  const QPoint place = Form().pos();
  ClickAt(QPoint(227, 20));  // the minimize button
  ASSERT_TRUE(WaitFor([&] { return !probe_.Viewable(Window()) && Form().IsInTray(); }));
  QSystemTrayIcon* icon = Form().TrayIconObject();
  EXPECT_EQ(icon->toolTip(), "QOR Reviv Oredur");
  ASSERT_TRUE(WaitFor([&] { return icon->geometry().isValid() && icon->geometry().y() > 900; }));
  QTest::qWait(300);  // the tray host embeds the icon

  // The right button pops up the (empty) menu and changes nothing.
  const QPoint centre = icon->geometry().center();
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "3"}));
  QTest::qWait(200);
  RunXdotool({"key", "Escape"});
  EXPECT_TRUE(Form().IsInTray());
  EXPECT_FALSE(probe_.Viewable(Window()));

  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}));
  ASSERT_TRUE(WaitFor([&] { return probe_.Viewable(Window()); }));
  EXPECT_FALSE(Form().IsInTray());
  EXPECT_EQ(Form().pos(), place);
  EXPECT_EQ(probe_.Shape(Window()), Outline(false));
  EXPECT_TRUE(WaitFor([&] { return probe_.NetWmState(Window()).contains("_NET_WM_STATE_ABOVE"); }));
}

TEST_F(X11WindowTest, MinimizingThroughTheWindowManagerAlsoGoesToTheTray) {
  Start();
  ASSERT_TRUE(RunXdotool({"windowminimize", QString::number(Window())}));
  ASSERT_TRUE(WaitFor([&] { return Form().IsInTray() && !probe_.Viewable(Window()); }));
  QSystemTrayIcon* icon = Form().TrayIconObject();
  ASSERT_TRUE(WaitFor([&] { return icon->geometry().isValid() && icon->geometry().y() > 900; }));
  QTest::qWait(300);  // the tray host embeds the icon
  const QPoint centre = icon->geometry().center();
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}));
  ASSERT_TRUE(WaitFor([&] { return probe_.Viewable(Window()); }));
  EXPECT_FALSE(Form().isMinimized());
  EXPECT_EQ(probe_.WmState(Window()), 1);
  EXPECT_EQ(probe_.Shape(Window()), Outline(true));
}

// The tray icon's menu through the real tray host: each entry does what the
// window's button does, shows the state it switches, and start at login
// writes and removes a valid autostart entry.
TEST_F(X11WindowTest, TrayMenuRunsTheWindowsCommandsAndShowsTheirStates) {
  PrivateSessionBus bus;  // the desktop's accessibility switch this test flips is its own
  ASSERT_TRUE(bus.Ready());
  TempFolder config;
  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
  Start();
  ClickAt(QPoint(227, 20));  // the minimize button
  ASSERT_TRUE(WaitFor([&] { return !probe_.Viewable(Window()) && Form().IsInTray(); }));
  QSystemTrayIcon* icon = Form().TrayIconObject();
  ASSERT_TRUE(WaitFor([&] { return icon->geometry().isValid() && icon->geometry().y() > 900; }));
  QTest::qWait(300);  // the tray host embeds the icon
  QMenu* menu = Form().TrayMenu();

  // Right-clicks the icon, checks the entry's state as shown, and clicks it.
  const auto choose = [&](const char* name, bool shownChecked) {
    SCOPED_TRACE(name);
    const QPoint centre = icon->geometry().center();
    ASSERT_TRUE(RunXdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "3"}));
    ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }));
    QAction* entry = menu->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->isChecked(), shownChecked);
    const QPoint at = menu->mapToGlobal(menu->actionGeometry(entry).center());
    ASSERT_TRUE(RunXdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}));
    ASSERT_TRUE(WaitFor([&] { return !menu->isVisible(); }));
    QTest::qWait(100);
  };
  const fs::path autostart = config / "autostart" / "qor-vuruzid.desktop";
  const fs::path options = folder_.path() / "data" / "Options.ini";
  struct Step {
    const char* entry;
    bool shownBefore;
    std::function<bool()> done;
  };
  const Step steps[] = {
      {"TrayChecking", false, [&] { return Form().Checking().CheckingOn() == 1 && Text("Label16") == "off"; }},
      {"TrayChecking", true, [&] { return Form().Checking().CheckingOn() == 0 && Text("Label16") == "on"; }},
      {"TrayRussian", false, [&] { return Form().Engine().language() == SpellingEngine::kRussian && Text("Label2") == "Rus"; }},
      {"TrayRussian", true, [&] { return Form().Engine().language() == SpellingEngine::kRussian; }},  // stays
      {"TrayEnglish", false, [&] { return Form().Engine().language() == SpellingEngine::kEnglish && Text("Label2") == "Eng"; }},
      {"TraySound", true, [&] { return Form().Engine().signalEnabled() == 0 && !Element("Image38")->isVisibleTo(&Form()); }},
      {"TraySound", false, [&] { return Form().Engine().signalEnabled() == 1 && Element("Image38")->isVisibleTo(&Form()); }},
      {"TrayStartAtLogin", false, [&] { return fs::exists(autostart); }},
      {"TrayFollowLayout", true, [&] { return ReadFile(options).find("FollowKeyboardLayout=off\n") != std::string::npos; }},
      {"TrayFollowLayout", false, [&] { return Form().SideSettings().FollowLayout(); }},
      // Checking is off: no layout switch is seen, so it starts on.
      {"TrayFollowTyping", true,
       [&] { return !Form().Engine().FollowTyping() && ReadFile(options).find("FollowTyping=off\n") != std::string::npos; }},
      {"TrayFollowTyping", false, [&] { return Form().Engine().FollowTyping(); }},
      {"TrayCorrections", true, [&] { return ReadFile(options).find("Corrections=off\n") != std::string::npos; }},
      {"TrayCorrections", false, [&] { return Form().Engine().CorrectionsEnabled(); }},
      {"TrayCheckLetterCase", true,
       [&] { return !Form().Engine().CaseChecking() && ReadFile(options).find("CheckLetterCase=off\n") != std::string::npos; }},
      {"TrayCheckLetterCase", false, [&] { return Form().Engine().CaseChecking() && Form().SideSettings().CheckLetterCase(); }},
      {"TrayCheckInBrowsers", false, [&] { return bus.Switch() == true && Form().SideSettings().CheckInBrowsers(); }},
      {"TrayCheckInBrowsers", true, [&] { return bus.Switch() == false && !Form().SideSettings().CheckInBrowsers(); }},
  };
  for (const Step& step : steps) {
    choose(step.entry, step.shownBefore);
    EXPECT_TRUE(WaitFor(step.done)) << step.entry;
    EXPECT_TRUE(Form().IsInTray()) << step.entry;  // the window stays in the tray
  }
  const std::string entry = ReadFile(autostart);
  EXPECT_NE(entry.find("\nExec=" + (folder_.path() / "QOR_Vuruzid").string() + "\n"), std::string::npos) << entry;
  EXPECT_EQ(std::system(("desktop-file-validate '" + autostart.string() + "'").c_str()), 0);
  choose("TrayStartAtLogin", true);
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(autostart); }));

  choose("TrayShow", false);
  EXPECT_TRUE(WaitFor([&] { return probe_.Viewable(Window()); }));
  EXPECT_FALSE(Form().IsInTray());

  // Quit from the tray closes the hidden window as the close button does:
  // the settings are written (and the program is asked to end).
  ClickAt(QPoint(227, 20));
  ASSERT_TRUE(WaitFor([&] { return Form().IsInTray(); }));
  QTest::qWait(300);
  const fs::path settings = folder_.path() / "data" / "Vuruzid.ini";
  fs::remove(settings);
  const QPoint centre = icon->geometry().center();
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "3"}));
  ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }));
  const QPoint quit = menu->mapToGlobal(menu->actionGeometry(menu->findChild<QAction*>("TrayQuit")).center());
  RunXdotool({"mousemove", QString::number(quit.x()), QString::number(quit.y()), "click", "1"});  // may end early: the program quits
  EXPECT_TRUE(WaitFor([&] { return fs::exists(settings); })) << "closing did not write the settings";
  if (oldConfig.isNull())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

// The user types in another program: the window is not the active one, and
// its buttons still explain themselves under the pointer.
TEST_F(X11WindowTest, ButtonsShowTheirTooltipsWhileAnotherWindowIsActive) {
  Start();
  QWidget other;
  other.setGeometry(600, 500, 200, 150);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  ASSERT_FALSE(Form().isActiveWindow());
  const QPoint help = Form().mapToGlobal(QPoint(238, 64));
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(help.x() - 3), QString::number(help.y())}));
  ASSERT_TRUE(RunXdotool({"mousemove", QString::number(help.x()), QString::number(help.y())}));
  EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible() && QToolTip::text() == "Open help window"; }));
  EXPECT_TRUE(other.isActiveWindow());
}

// A right click on the shown window opens the tray's menu there, without the
// entry that would show the window; its entries act as they do from the tray,
// and My words opens over the window.
TEST_F(X11WindowTest, ARightClickOnTheWindowOpensTheTrayMenu) {
  Start();
  QMenu* menu = Form().TrayMenu();
  const auto open = [&](QPoint local) {
    ClickAt(local, 3);
    return WaitFor([&] { return menu->isVisible(); });
  };
  const auto choose = [&](const char* name) {
    QAction* entry = menu->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(entry, nullptr) << name;
    const QPoint at = menu->mapToGlobal(menu->actionGeometry(entry).center());
    ASSERT_TRUE(RunXdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}));
  };
  const struct {
    const char* name;
    QPoint at;
  } places[] = {{"bare background", {150, 55}}, {"the word display", {100, 52}}, {"the mode's caption", {50, 85}}};
  for (const auto& place : places) {
    SCOPED_TRACE(place.name);
    ASSERT_TRUE(open(place.at));
    EXPECT_FALSE(menu->findChild<QAction*>("TrayShow")->isVisible());
    EXPECT_LT((menu->pos() - Form().mapToGlobal(place.at)).manhattanLength(), 8);
    QTest::keyClick(menu, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !menu->isVisible(); }));
  }

  // A button acts on a right click as on a left one, and opens no menu.
  ClickAt({108, 86}, 3);
  EXPECT_TRUE(WaitFor([&] { return Form().Compact() == 0; }));
  EXPECT_FALSE(menu->isVisible());

  ASSERT_TRUE(open({150, 55}));
  choose("TrayRussian");
  EXPECT_TRUE(WaitFor([&] { return Form().Engine().language() == SpellingEngine::kRussian && Text("Label2") == "Rus"; }));
  EXPECT_TRUE(probe_.Viewable(Window()));

  bool myWordsShown = false;
  ModalWatcher watcher([&](QWidget* modal) {
    auto* dialog = dynamic_cast<TMyWordsForm*>(modal);
    if (!dialog) return;
    myWordsShown = dialog->LanguageLabel->text() == "Russian words";
    dialog->CloseButton->click();
  });
  ASSERT_TRUE(open({150, 55}));
  choose("TrayMyWords");
  EXPECT_TRUE(WaitFor([&] { return myWordsShown; }));
}

TEST_F(X11WindowTest, SavedTopEdgeIsBoundByTheScreenHeight) {
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  ASSERT_GT(screen.width(), screen.height());
  // Inside the width bound but past the height bound: such a window would
  // start below the bottom of the screen.
  folder_.WriteSettings(TestProgramFolder::SecondStartSettings(0, screen.width() - 100, screen.height() - 99));
  Start();
  EXPECT_EQ(Form().pos(), QPoint(screen.width() - 100, 50));
}

// Run by tests/ui/without-tray.sh in a session with a window manager but no
// tray host.
TEST_F(X11WindowTest, NoTrayHostMinimizeIconifiesTheWindow) {
  Start();
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "run this test in a session without a tray host";
  ClickAt(QPoint(227, 20));
  EXPECT_TRUE(WaitFor([&] { return probe_.WmState(Window()) == 3; })) << probe_.WmState(Window());
  EXPECT_FALSE(Form().IsInTray());
  EXPECT_TRUE(Form().isMinimized());
}

}  // namespace
}  // namespace vuruzid::testing
