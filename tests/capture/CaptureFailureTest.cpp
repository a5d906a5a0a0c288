// Capture that cannot start, or that loses its X server, tells the user and
// leaves checking off; a Wayland session is warned about once.
#include <QProcess>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestDesktop.h"
#include "capture/KeyCapture.h"
#include "support/TempFolder.h"

namespace vuruzid::capture::testing {
namespace {

using ::testing::HasSubstr;

struct SwitchUnderTest {
  DeliveredKeys delivered;
  std::vector<std::string> messages;
  int stateChanges = 0;
  CheckingSwitch checking{delivered.Handler(), [this](const std::string& m) { messages.push_back(m); }};
  SwitchUnderTest() {
    checking.SetStateChangedHandler([this] { ++stateChanges; });
  }
  void ExpectOff() const {
    EXPECT_EQ(checking.CheckingOn(), 0);
    EXPECT_EQ(checking.ToggleCaption(), "on");
    EXPECT_FALSE(checking.IndicatorVisible());
    EXPECT_EQ(checking.HookHandle(), 0u);
  }
};

// Capture that cannot start says why and stays off, also when tried again. In
// an X11 session the keyboard devices are tried after RECORD; here they are a
// folder without a keyboard, so both reasons are told.
enum class Display { Gone, Unset, WithoutRecord };

struct StartFailure {
  const char* what;
  Display display;
  const char* reason;
};

const StartFailure kStartFailures[] = {
    {"no X server behind DISPLAY", Display::Gone, "cannot be reached"},
    {"no DISPLAY set", Display::Unset, "DISPLAY"},
    {"an X server without RECORD", Display::WithoutRecord, "RECORD"},
};

TEST(CaptureFailure, StartFailuresReportAndStayOff) {
  vuruzid::testing::TempFolder noKeyboards;
  ScopedEnvironment devices("VURUZID_INPUT_ROOT", noKeyboards.path().c_str());
  ScopedEnvironment session("XDG_SESSION_TYPE", "x11");
  ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
  for (const StartFailure& row : kStartFailures) {
    SCOPED_TRACE(row.what);
    PrivateXServer server(row.display == Display::WithoutRecord ? std::vector<std::string>{"-extension", "RECORD"}
                                                                : std::vector<std::string>{});
    ASSERT_TRUE(server.running());
    const std::string name = server.displayName();
    if (row.display == Display::Gone) server.Stop();
    ScopedEnvironment display("DISPLAY", row.display == Display::Unset ? nullptr : name.c_str());

    SwitchUnderTest test;
    test.checking.Toggle();
    test.ExpectOff();
    ASSERT_EQ(test.messages.size(), 1u);
    EXPECT_THAT(test.messages[0], HasSubstr(row.reason));
    if (row.display == Display::Gone) {
      EXPECT_THAT(test.messages[0], HasSubstr(name));
    }
    EXPECT_THAT(test.messages[0], HasSubstr("no keyboard was found"));
    EXPECT_EQ(test.stateChanges, 0);

    test.checking.Toggle();  // tried again: told again, still off
    test.ExpectOff();
    EXPECT_EQ(test.messages.size(), 2u);
  }
}

TEST(CaptureFailure, LosingTheServerTurnsCheckingOffAndSaysSo) {
  PrivateXServer server({"+extension", "RECORD"});
  ASSERT_TRUE(server.running());
  ScopedEnvironment display("DISPLAY", server.displayName().c_str());
  SwitchUnderTest test;
  test.checking.Toggle();
  ASSERT_EQ(test.checking.CheckingOn(), 1) << (test.messages.empty() ? "" : test.messages[0]);
  EXPECT_EQ(test.stateChanges, 1);

  server.Stop();
  ASSERT_TRUE(PumpUntil([&] { return test.checking.CheckingOn() == 0; }));
  test.ExpectOff();
  EXPECT_EQ(test.stateChanges, 2);
  ASSERT_EQ(test.messages.size(), 1u);
  EXPECT_THAT(test.messages[0], HasSubstr("connection to the X display was lost"));
  test.checking.TurnOff();  // nothing left to remove
  EXPECT_EQ(test.stateChanges, 2);
}

TEST(CaptureFailure, X11ChosenInAWaylandSessionIsWarnedAboutOnceAndX11KeysStillArrive) {
  ScopedEnvironment wayland("WAYLAND_DISPLAY", "wayland-0");
  ScopedEnvironment route("VURUZID_CAPTURE", "x11");
  TestDesktop& desktop = TestDesktop::Shared();
  SwitchUnderTest test;
  test.checking.Toggle();
  ASSERT_EQ(test.checking.CheckingOn(), 1);
  ASSERT_EQ(test.messages.size(), 1u);
  EXPECT_THAT(test.messages[0], HasSubstr("only keys typed into X11 applications"));

  test.checking.Toggle();
  test.checking.Toggle();
  EXPECT_EQ(test.messages.size(), 1u) << "said once";
  // There the accessibility bus names the program: while no accessible window
  // has the keyboard, the program is unknown and its keys are held back ...
  const KeyContext& context = test.checking.Capture().Context();
  ASSERT_TRUE(QTest::qWaitFor([&] { return context.pause != Pause::FocusUnknown; }, 3000));
  EXPECT_EQ(context.pause, Pause::ProgramUnknown);
  desktop.Tap(desktop.KeycodeOfName("AC01"));
  EXPECT_FALSE(test.delivered.WaitFor('A'));
  // ... and an X11 program that tells it (a GTK window) is checked.
  QProcess window;
  window.start("/usr/bin/python3", {VURUZID_PASSWORD_WINDOW});
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.canReadLine() && window.readLine() == "ready\n"; }, 15000));
  QProcess::execute("xdotool", {"search", "--sync", "--name", "^Password window$", "windowactivate"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return context.pause == Pause::NotPaused; }, 5000))
      << DescribeContext(context);
  // (Typed where the focus is: the test desktop's own window would take it.)
  QProcess::execute("xdotool", {"key", "a"});
  EXPECT_TRUE(test.delivered.WaitFor('A')) << DescribeContext(context);
  window.write("quit\n");
  window.waitForFinished(3000);
}

TEST(CaptureFailure, NoSessionWarningOutsideWayland) {
  TestDesktop::Shared();
  for (const char* display : {static_cast<const char*>(nullptr), ""}) {
    ScopedEnvironment wayland("WAYLAND_DISPLAY", display);
    ScopedEnvironment session("XDG_SESSION_TYPE", nullptr);
    KeyCapture capture(nullptr);
    std::string whyNot;
    ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;
    EXPECT_EQ(capture.SessionWarning(), "");
  }
}

}  // namespace
}  // namespace vuruzid::capture::testing
