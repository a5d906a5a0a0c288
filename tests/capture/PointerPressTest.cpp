// Pointer presses as the X server's key source reports them: real button
// events injected through XTest, seen next to the keys typed around them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
// Xlib after the test framework: its macros (None, Bool) clash with it.
#include <X11/keysym.h>

#include <functional>
#include <ostream>

#include "TestDesktop.h"
#include "capture/x11/XRecordKeySource.h"

namespace vuruzid::capture::testing {
namespace {

using ::testing::ElementsAreArray;

// One press as the source delivered it: a button, or a key by its virtual-key code.
struct Seen {
  bool pointer;
  uint8_t code;
  uint8_t modifiers = 0;
  friend bool operator==(const Seen&, const Seen&) = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
  *out << (seen.pointer ? "{button " : "{key ") << int(seen.code) << ", modifiers " << int(seen.modifiers) << "}";
}

Seen Button(uint8_t button, uint8_t modifiers = 0) { return {true, button, modifiers}; }
Seen Key(uint8_t virtualKey, uint8_t modifiers = 0) { return {false, virtualKey, modifiers}; }

struct PressRow {
  const char* what;
  std::function<void(TestDesktop&)> act;
  std::vector<Seen> seen;
};

uint8_t KeyOf(const TestDesktop& desktop, unsigned long keysym) { return desktop.KeycodeOfSymbol(keysym); }

const PressRow kPressRows[] = {
    {"a left click", [](TestDesktop& d) { d.Click(1); }, {Button(1)}},
    {"a middle click", [](TestDesktop& d) { d.Click(2); }, {Button(2)}},
    {"a right click", [](TestDesktop& d) { d.Click(3); }, {Button(3)}},
    {"the wheel turned every way: nothing",
     [](TestDesktop& d) {
       for (unsigned wheel : {4, 5, 6, 7}) d.Click(wheel);
     },
     {}},
    {"a button held over a key: its release is not told",
     [](TestDesktop& d) {
       d.PressButton(1);
       d.Tap(KeyOf(d, XK_a));
       d.ReleaseButton(1);
       d.Tap(KeyOf(d, XK_b));
     },
     {Button(1), Key('A'), Key('B')}},
    {"a click with Ctrl held carries it, also when the window manager held the press back",
     [](TestDesktop& d) {
       d.Press(KeyOf(d, XK_Control_L));
       d.Click(1);
       d.Release(KeyOf(d, XK_Control_L));
       d.Click(3);
     },
     {Key(17), Button(1, kControlHeld), Button(3)}},
    {"keys and clicks carry Shift held and Caps Lock on",
     [](TestDesktop& d) {
       d.Press(KeyOf(d, XK_Shift_L));
       d.Tap(KeyOf(d, XK_a));
       d.Click(1);
       d.Release(KeyOf(d, XK_Shift_L));
       d.Tap(KeyOf(d, XK_Caps_Lock));
       d.Tap(KeyOf(d, XK_b));
       d.Click(2);
       d.Tap(KeyOf(d, XK_Caps_Lock));
       d.Click(3);
     },
     {Key(16), Key('A', kShiftHeld), Button(1, kShiftHeld), Key(20), Key('B', kCapsLockOn), Button(2, kCapsLockOn),
      Key(20, kCapsLockOn), Button(3)}},
};

TEST(PointerPress, ButtonPressesAreDeliveredAndTheWheelAndReleasesAreNot) {
  TestDesktop::SetKeyboard("-keycodes evdev us");
  TestDesktop& desktop = TestDesktop::Shared();
  for (const PressRow& row : kPressRows) {
    SCOPED_TRACE(row.what);
    std::vector<Seen> seen;
    bool endSeen = false;
    x11::XRecordKeySource source(
        [&](const KeyEvent& event) {
          if (!event.pressed || endSeen) return;
          if (event.virtualKey == 13) {  // Return: typed last, it ends the row
            endSeen = true;
            return;
          }
          if (event.pointer) {
            EXPECT_EQ(event.virtualKey, 0);
            EXPECT_EQ(event.script, KeyScript::Unknown);
          }
          seen.push_back({event.pointer, event.pointer ? event.keycode : event.virtualKey, event.modifiers});
        },
        nullptr);
    std::string whyNot;
    ASSERT_TRUE(source.Start(&whyNot)) << whyNot;
    row.act(desktop);
    desktop.Tap(KeyOf(desktop, XK_Return));
    ASSERT_TRUE(PumpUntil([&] { return endSeen; }));
    EXPECT_THAT(seen, ElementsAreArray(row.seen));
  }
}

}  // namespace
}  // namespace vuruzid::capture::testing
