// Capture that cannot start, or that loses its X server, tells the user and
// leaves checking off; a Wayland session is warned about once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestDesktop.h"
#include "capture/KeyCapture.h"

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

TEST(CaptureFailure, NoXServerReportsAndStaysOff) {
  PrivateXServer gone;  // a display name that surely has no server behind it any more
  ASSERT_TRUE(gone.running());
  const std::string name = gone.displayName();
  gone.Stop();

  ScopedEnvironment display("DISPLAY", name.c_str());
  SwitchUnderTest test;
  test.checking.Toggle();
  test.ExpectOff();
  ASSERT_EQ(test.messages.size(), 1u);
  EXPECT_THAT(test.messages[0], HasSubstr("cannot be reached"));
  EXPECT_THAT(test.messages[0], HasSubstr(name));
  EXPECT_EQ(test.stateChanges, 0);

  test.checking.Toggle();  // tried again: told again, still off
  test.ExpectOff();
  EXPECT_EQ(test.messages.size(), 2u);
}

TEST(CaptureFailure, NoDisplaySetReportsAndStaysOff) {
  ScopedEnvironment display("DISPLAY", nullptr);
  SwitchUnderTest test;
  test.checking.Toggle();
  test.ExpectOff();
  ASSERT_EQ(test.messages.size(), 1u);
  EXPECT_THAT(test.messages[0], HasSubstr("DISPLAY"));
}

TEST(CaptureFailure, ServerWithoutRecordReportsAndStaysOff) {
  PrivateXServer server({"-extension", "RECORD"});
  ASSERT_TRUE(server.running());
  ScopedEnvironment display("DISPLAY", server.displayName().c_str());
  SwitchUnderTest test;
  test.checking.Toggle();
  test.ExpectOff();
  ASSERT_EQ(test.messages.size(), 1u);
  EXPECT_THAT(test.messages[0], HasSubstr("RECORD"));
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

TEST(CaptureFailure, WaylandSessionIsWarnedAboutOnceAndX11KeysStillArrive) {
  ScopedEnvironment wayland("WAYLAND_DISPLAY", "wayland-0");
  TestDesktop& desktop = TestDesktop::Shared();
  SwitchUnderTest test;
  test.checking.Toggle();
  ASSERT_EQ(test.checking.CheckingOn(), 1);
  ASSERT_EQ(test.messages.size(), 1u);
  EXPECT_THAT(test.messages[0], HasSubstr("only keys typed into X11 applications"));

  test.checking.Toggle();
  test.checking.Toggle();
  EXPECT_EQ(test.messages.size(), 1u) << "said once";
  desktop.Tap(desktop.KeycodeOfName("AC01"));
  EXPECT_TRUE(test.delivered.WaitFor('A'));
}

TEST(CaptureFailure, NoSessionWarningOutsideWayland) {
  ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
  EXPECT_EQ(KeyCapture::SessionWarning(), "");
  ScopedEnvironment empty("WAYLAND_DISPLAY", "");
  EXPECT_EQ(KeyCapture::SessionWarning(), "");
}

}  // namespace
}  // namespace vuruzid::capture::testing
