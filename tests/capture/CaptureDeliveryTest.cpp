// Which key events of the desktop reach the handler, and with which codes:
// real key events injected through XTest into a focused window of the test.
#include <X11/keysym.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>

#include "TestDesktop.h"
#include "capture/KeyCapture.h"

namespace vuruzid::capture::testing {
namespace {

using ::testing::ElementsAre;

class CaptureDelivery : public ::testing::Test {
 protected:
  void SetUp() override {
    TestDesktop::SetKeyboard("-keycodes evdev us");
    std::string whyNot;
    ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;
    ASSERT_NE(capture.HookHandle(), 0u);
  }
  uint8_t Key(unsigned long keysym) {
    const uint8_t keycode = desktop.KeycodeOfSymbol(keysym);
    EXPECT_NE(keycode, 0) << "no key for symbol " << keysym;
    return keycode;
  }

  TestDesktop& desktop = TestDesktop::Shared();
  DeliveredKeys delivered;
  KeyCapture capture{delivered.Handler()};
};

TEST_F(CaptureDelivery, KeyDownsArriveWithTheirVirtualKeyCodesAndInsertState) {
  desktop.TapAll({Key(XK_c), Key(XK_a), Key(XK_1), Key(XK_space), Key(XK_Return), Key(XK_Left), Key(XK_BackSpace)});
  ASSERT_TRUE(delivered.WaitFor(8));
  EXPECT_THAT(delivered.Codes(), ElementsAre(67, 65, 49, 32, 13, 37, 8));
  for (const KeyDown& key : delivered.keys) EXPECT_EQ(key.insertKeyState, 1) << "insert mode at first";
}

TEST_F(CaptureDelivery, KeyUpsAndModifiersAreNotDeliveredAndChordsAndF10AreCommands) {
  const uint8_t a = Key(XK_a);
  desktop.Release(a);  // a lone key-up
  for (unsigned long modifier : {XK_Alt_L, XK_Alt_R, XK_Control_L, XK_Control_R, XK_Super_L}) {
    desktop.Press(Key(modifier));
    desktop.Tap(Key(XK_x));  // (Alt+blank would open the window manager's menu)
    desktop.Release(Key(modifier));
  }
  desktop.Press(Key(XK_Shift_L));
  desktop.Tap(a);
  desktop.Release(Key(XK_Shift_L));
  desktop.Tap(Key(XK_F10));
  desktop.Tap(Key(XK_b));  // nothing held: text again
  ASSERT_TRUE(delivered.WaitFor('B'));
  const KeyDown command{'X', 1, true};
  EXPECT_THAT(delivered.keys, ElementsAre(command, command, command, command, command, KeyDown{16, 1},
                                          KeyDown{.virtualKey = 'A', .insertKeyState = 1, .shift = true},
                                          KeyDown{121, 1, true}, KeyDown{'B', 1}));
}

// Shift held and Caps Lock's lock, as the X server's state before each key tells them.
TEST_F(CaptureDelivery, KeysTellShiftHeldAndCapsLockOn) {
  const uint8_t shift = Key(XK_Shift_L), caps = Key(XK_Caps_Lock);
  desktop.Press(shift);
  desktop.TapAll({Key(XK_a), Key(XK_Insert)});
  desktop.Release(shift);
  desktop.TapAll({caps, Key(XK_b)});
  desktop.Press(shift);
  desktop.Tap(Key(XK_c));
  desktop.Release(shift);
  desktop.TapAll({caps, Key(XK_d)});
  ASSERT_TRUE(delivered.WaitFor('D'));
  const auto down = [](uint8_t virtualKey, int16_t insert, bool shifted, bool capsLock) {
    return KeyDown{.virtualKey = virtualKey, .insertKeyState = insert, .shift = shifted, .capsLock = capsLock};
  };
  EXPECT_THAT(delivered.keys, ElementsAre(down(16, 1, false, false), down('A', 1, true, false),
                                          down(45, -128, true, false),  // Shift+Insert: a key, not a command
                                          down(20, 0, false, false), down('B', 0, false, true),
                                          down(16, 0, false, true), down('C', 0, true, true),
                                          down(20, 0, false, true), down('D', 0, false, false)));
}

// A click moves the caret where no key tells: the interpreter gets it in
// order with the keys; the wheel never arrives.
TEST_F(CaptureDelivery, PointerPressesArriveInOrderBetweenTheKeys) {
  desktop.Tap(Key(XK_a));
  desktop.Click(1);
  desktop.Tap(Key(XK_b));
  desktop.Click(2);
  desktop.Click(3);
  for (unsigned wheel : {4, 5, 6, 7}) desktop.Click(wheel);
  desktop.TapAll({Key(XK_c), Key(XK_Return)});
  ASSERT_TRUE(delivered.WaitFor(13));
  const auto press = [](uint8_t button) { return KeyDown{.insertKeyState = 1, .pointerButton = button}; };
  EXPECT_THAT(delivered.keys,
              ElementsAre(KeyDown{'A', 1}, press(1), KeyDown{'B', 1}, press(2), press(3), KeyDown{'C', 1},
                          KeyDown{13, 1}));
}

TEST_F(CaptureDelivery, EveryRepeatedKeyDownOfAHeldKeyCounts) {
  // The server repeats a held key itself; shorten its delay for the test.
  const auto [delay, interval] = desktop.SetAutoRepeat(100, 20);
  const uint8_t s = Key(XK_s);
  desktop.TakeKeyPresses(s);
  desktop.Press(s);
  PumpFor(300ms);
  desktop.Release(s);
  desktop.SetAutoRepeat(delay, interval);
  desktop.Tap(Key(XK_Return));
  ASSERT_TRUE(delivered.WaitFor(13));

  // Every key-down the focused window got, the repeats included, was delivered.
  const int pressesSeenByTheWindow = desktop.TakeKeyPresses(s);
  EXPECT_GE(pressesSeenByTheWindow, 4);
  std::vector<int> expected(pressesSeenByTheWindow, 'S');
  expected.push_back(13);
  EXPECT_EQ(delivered.Codes(), expected);
}

TEST_F(CaptureDelivery, InsertKeyTogglesTheStateAndIsSeenHeldWhileDown) {
  const uint8_t insert = Key(XK_Insert), x = Key(XK_x);
  desktop.Press(insert);
  desktop.Tap(x);         // typed while Insert is still held
  desktop.Release(insert);
  desktop.Tap(x);
  desktop.Tap(insert);
  desktop.Tap(Key(XK_y));
  ASSERT_TRUE(delivered.WaitFor('Y'));
  EXPECT_THAT(delivered.keys, ElementsAre(KeyDown{45, -128}, KeyDown{'X', -128}, KeyDown{'X', 0},
                                          KeyDown{45, -127}, KeyDown{'Y', 1}));
}

TEST_F(CaptureDelivery, KeypadDigitsFollowNumLock) {
  const uint8_t keypad1 = Key(XK_KP_End), numLock = Key(XK_Num_Lock), point = Key(XK_KP_Delete);
  desktop.TapAll({keypad1, point});  // Num Lock is off on a fresh server
  desktop.Tap(numLock);
  desktop.TapAll({keypad1, point});
  desktop.Tap(numLock);
  desktop.Tap(keypad1);
  ASSERT_TRUE(PumpUntil([&] { return delivered.keys.size() == 7; }));
  EXPECT_THAT(delivered.Codes(), ElementsAre(35, 46, 144, 97, 110, 144, 35));
}

TEST_F(CaptureDelivery, RemovingStopsDeliveryAndInstallingAgainResumes) {
  desktop.Tap(Key(XK_a));
  ASSERT_TRUE(delivered.WaitFor('A'));
  capture.Remove();
  EXPECT_EQ(capture.HookHandle(), 0u);
  desktop.TapAll({Key(XK_b), Key(XK_c)});
  PumpFor(100ms);
  std::string whyNot;
  ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;
  desktop.Tap(Key(XK_d));
  ASSERT_TRUE(delivered.WaitFor('D'));
  EXPECT_THAT(delivered.Codes(), ElementsAre('A', 'D'));
}

TEST_F(CaptureDelivery, AHandlerThatRemovesTheCaptureGetsNoFurtherKeys) {
  int calls = 0;
  KeyCapture selfStopping([&](const KeyStroke&) {
    ++calls;
    selfStopping.Remove();
  });
  std::string whyNot;
  ASSERT_TRUE(selfStopping.Install(&whyNot)) << whyNot;
  // Several keys reach the server before the event loop runs again, so they
  // arrive in one batch; the first one removes the capture.
  desktop.TapAll({Key(XK_q), Key(XK_w), Key(XK_e)});
  ASSERT_TRUE(delivered.WaitFor('E'));
  PumpFor(100ms);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(selfStopping.HookHandle(), 0u);
}

// Programs whose keys are held back, by the class of the active window: an
// xterm started for each row takes the focus from the test's window.
TEST_F(CaptureDelivery, KeysGoingToProgramsLeftAloneAreHeldBack) {
  struct Row {
    const char* what;
    const char* className;
    std::vector<std::string> leftAlone;
    Pause pause;
  };
  const Row rows[] = {
      {"a terminal on the default list", "XTerm", DefaultProgramsLeftAlone(), Pause::ProgramLeftAlone},
      {"the list emptied: checked", "XTerm", {}, Pause::NotPaused},
      {"a class the user added", "MyNotes", {"mynotes"}, Pause::ProgramLeftAlone},
      {"a password program, listed or not", "Pinentry", {}, Pause::PasswordProgram},
  };
  std::vector<Pause> told;
  capture.SetContextHandler([&](const KeyContext& context) { told.push_back(context.pause); });
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    capture.SetProgramsLeftAlone(row.leftAlone);
    told.clear();
    QProcess xterm;
    xterm.start("xterm", {"-class", row.className, "-geometry", "20x2+0+0"});
    ASSERT_TRUE(xterm.waitForStarted());
    // The window manager may keep the focus where it was after the last row's window went.
    QProcess::execute("xdotool", {"search", "--sync", "--class", row.className, "windowactivate", "--sync"});
    ASSERT_TRUE(PumpUntil([&] { return capture.Context().program == row.className; }, 5000ms))
        << "active: " << capture.Context().program;
    EXPECT_EQ(capture.Context().pause, row.pause);
    EXPECT_EQ(told.size(), row.pause == Pause::NotPaused ? 0u : 1u) << "told of the pause alone";
    EXPECT_EQ(capture.LastProgram(), row.className);
    delivered.keys.clear();
    desktop.TapAll({Key(XK_q), Key(XK_w)});
    xterm.kill();
    xterm.waitForFinished();
    ASSERT_TRUE(PumpUntil([&] { return capture.Context().program != row.className; }, 5000ms));
    desktop.Tap(Key(XK_e));
    ASSERT_TRUE(delivered.WaitFor('E'));
    const std::vector<int> checked = {'Q', 'W', 'E'}, heldBack = {'E'};
    EXPECT_EQ(delivered.Codes(), row.pause == Pause::NotPaused ? checked : heldBack);
  }
}

}  // namespace
}  // namespace vuruzid::capture::testing
