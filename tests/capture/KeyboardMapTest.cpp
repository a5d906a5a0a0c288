// The keycode -> virtual-key map, key by key, against the codes of a US
// keyboard: under the US and Russian layouts and under another keycode set,
// read from the server and seen through a running capture, which must follow
// the keyboard when it changes.
#include <gtest/gtest.h>
// Xlib after the test framework: its macros (None, Bool) clash with it.
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <optional>

#include "TestDesktop.h"
#include "capture/KeyCapture.h"
#include "capture/x11/XkbKeyboard.h"
#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"
#include "support/Dictionaries.h"
#include "support/TempFolder.h"

namespace vuruzid::capture::testing {
namespace {

struct UsKey {
  unsigned long keysym;      // the first symbol of the key under the US layout
  uint8_t virtualKey;        // its code on a US keyboard
  uint8_t withoutNumLock;    // keypad: its code while Num Lock is off; 0 otherwise
};

std::vector<UsKey> UsKeyboard() {
  std::vector<UsKey> keys;
  for (unsigned long letter = XK_a; letter <= XK_z; ++letter)
    keys.push_back({letter, static_cast<uint8_t>('A' + (letter - XK_a)), 0});
  for (unsigned long digit = XK_0; digit <= XK_9; ++digit)
    keys.push_back({digit, static_cast<uint8_t>('0' + (digit - XK_0)), 0});
  const std::vector<UsKey> others = {
      {XK_semicolon, 186, 0}, {XK_equal, 187, 0}, {XK_comma, 188, 0}, {XK_minus, 189, 0},
      {XK_period, 190, 0}, {XK_slash, 191, 0}, {XK_grave, 192, 0}, {XK_bracketleft, 219, 0},
      {XK_backslash, 220, 0}, {XK_bracketright, 221, 0}, {XK_apostrophe, 222, 0}, {XK_less, 226, 0},
      {XK_BackSpace, 8, 0}, {XK_Tab, 9, 0}, {XK_Return, 13, 0}, {XK_space, 32, 0}, {XK_Escape, 27, 0},
      {XK_Shift_L, 16, 0}, {XK_Shift_R, 16, 0}, {XK_Control_L, 17, 0}, {XK_Control_R, 17, 0},
      {XK_Alt_L, 18, 0}, {XK_Alt_R, 18, 0}, {XK_Super_L, 91, 0}, {XK_Super_R, 92, 0}, {XK_Menu, 93, 0},
      {XK_Caps_Lock, 20, 0}, {XK_Num_Lock, 144, 0}, {XK_Scroll_Lock, 145, 0},
      {XK_Pause, 19, 0}, {XK_Print, 44, 0}, {XK_Insert, 45, 0}, {XK_Delete, 46, 0}, {XK_Home, 36, 0},
      {XK_End, 35, 0}, {XK_Prior, 33, 0}, {XK_Next, 34, 0}, {XK_Left, 37, 0}, {XK_Up, 38, 0},
      {XK_Right, 39, 0}, {XK_Down, 40, 0},
      {XK_KP_Insert, 96, 45}, {XK_KP_End, 97, 35}, {XK_KP_Down, 98, 40}, {XK_KP_Next, 99, 34},
      {XK_KP_Left, 100, 37}, {XK_KP_Begin, 101, 12}, {XK_KP_Right, 102, 39}, {XK_KP_Home, 103, 36},
      {XK_KP_Up, 104, 38}, {XK_KP_Prior, 105, 33}, {XK_KP_Delete, 110, 46}, {XK_KP_Multiply, 106, 0},
      {XK_KP_Add, 107, 0}, {XK_KP_Subtract, 109, 0}, {XK_KP_Divide, 111, 0}, {XK_KP_Enter, 13, 0},
  };
  keys.insert(keys.end(), others.begin(), others.end());
  for (unsigned long f = XK_F1; f <= XK_F12; ++f) keys.push_back({f, static_cast<uint8_t>(112 + (f - XK_F1)), 0});
  return keys;
}

// Keys the US layout gives no symbol of their own to, found by key name.
struct NamedKey {
  const char* name;
  uint8_t virtualKey;
};
std::vector<NamedKey> ExtraFunctionKeys() {
  std::vector<NamedKey> keys;
  static const char* const names[] = {"FK13", "FK14", "FK15", "FK16", "FK17", "FK18",
                                      "FK19", "FK20", "FK21", "FK22", "FK23", "FK24"};
  for (int i = 0; i < 12; ++i) keys.push_back({names[i], static_cast<uint8_t>(124 + i)});
  return keys;
}

struct PhysicalKey {
  uint8_t keycode;
  UsKey expected;
};

class KeyboardMap : public ::testing::Test {
 protected:
  void TearDown() override { TestDesktop::SetKeyboard("-keycodes evdev us"); }

  // Finds the keycodes of the US keyboard's keys under the US layout of a keycode set.
  std::vector<PhysicalKey> KeysOfKeycodeSet(const std::string& keycodeSet) {
    TestDesktop::SetKeyboard("-keycodes " + keycodeSet + " us");
    std::vector<PhysicalKey> keys;
    for (const UsKey& key : UsKeyboard()) {
      const uint8_t keycode = desktop.KeycodeOfSymbol(key.keysym);
      EXPECT_NE(keycode, 0) << "no key for symbol " << key.keysym << " with keycodes " << keycodeSet;
      if (keycode != 0) keys.push_back({keycode, key});
    }
    for (const NamedKey& key : ExtraFunctionKeys()) {
      if (const uint8_t keycode = desktop.KeycodeOfName(key.name)) keys.push_back({keycode, {0, key.virtualKey, 0}});
    }
    return keys;
  }

  void ExpectServerMapMatches(const std::vector<PhysicalKey>& keys, const std::string& what) {
    const auto keyboard = x11::ReadXkbKeyboard(desktop.display());
    ASSERT_TRUE(keyboard.has_value());
    for (const PhysicalKey& key : keys) {
      const KeyVirtualCodes codes = keyboard->keycodeMap.CodesOf(key.keycode);
      EXPECT_EQ(codes.virtualKey, key.expected.virtualKey) << what << ", keycode " << int(key.keycode);
      EXPECT_EQ(codes.withoutNumLock, key.expected.withoutNumLock) << what << ", keycode " << int(key.keycode);
    }
    EXPECT_NE(keyboard->numLockMask, 0u) << what;
  }

  // Types every key (Ctrl, Alt and the Windows keys, which are never
  // delivered, and F10, a command the keys after wait behind, aside) through
  // the running capture and compares what arrives.
  void ExpectCaptureDelivers(const std::vector<PhysicalKey>& keys, const std::string& what) {
    std::vector<int> expected;
    delivered.keys.clear();
    for (const PhysicalKey& key : keys) {
      if (vk::IsCommandModifier(key.expected.virtualKey) || key.expected.virtualKey == vk::kF10) continue;
      desktop.Tap(key.keycode);
      expected.push_back(key.expected.withoutNumLock ? key.expected.withoutNumLock : key.expected.virtualKey);
      if (key.expected.virtualKey == 20 || key.expected.virtualKey == 144) {
        desktop.Tap(key.keycode);  // put the lock back
        expected.push_back(key.expected.virtualKey);
      }
    }
    ASSERT_TRUE(PumpUntil([&] { return delivered.keys.size() >= expected.size(); })) << what;
    PumpFor(50ms);
    EXPECT_EQ(delivered.Codes(), expected) << what;
  }

  TestDesktop& desktop = TestDesktop::Shared();
  DeliveredKeys delivered;
  KeyCapture capture{delivered.Handler()};
};

TEST_F(KeyboardMap, UsLayoutGivesTheUsKeyboardCodes) {
  const auto keys = KeysOfKeycodeSet("evdev");
  ExpectServerMapMatches(keys, "evdev, us");
  std::string whyNot;
  ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;
  ExpectCaptureDelivers(keys, "evdev, us");
}

TEST_F(KeyboardMap, RussianLayoutKeepsTheCodesOfThePhysicalKeys) {
  const auto keys = KeysOfKeycodeSet("evdev");
  std::string whyNot;
  ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;
  TestDesktop::SetKeyboard("ru");
  PumpFor(200ms);  // the capture hears of the change
  EXPECT_EQ(desktop.KeycodeOfSymbol(XK_a), 0) << "the Russian layout has no Latin a";
  ExpectServerMapMatches(keys, "evdev, ru");
  ExpectCaptureDelivers(keys, "evdev, ru");
}

TEST_F(KeyboardMap, AnotherKeycodeSetIsFollowedWhileCapturing) {
  const auto evdevKeys = KeysOfKeycodeSet("evdev");
  std::string whyNot;
  ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;
  const auto xfree86Keys = KeysOfKeycodeSet("xfree86");
  PumpFor(200ms);
  // The two sets number the same keys differently (the arrows, for one).
  const auto up = [](const std::vector<PhysicalKey>& keys) {
    return std::ranges::find_if(keys, [](const PhysicalKey& k) { return k.expected.virtualKey == 38 && !k.expected.withoutNumLock; })->keycode;
  };
  ASSERT_NE(up(evdevKeys), up(xfree86Keys));
  ExpectServerMapMatches(xfree86Keys, "xfree86, us");
  ExpectCaptureDelivers(xfree86Keys, "xfree86, us");
}

// Letters as the user's layout types them: in a Latin group a key gives the
// code of the letter it types there; in a Cyrillic group keys keep their
// positions, which the checker's Russian table is defined by.
struct LayoutRow {
  const char* setxkbmap;
  int group;                        // the group locked while typing
  std::vector<unsigned long> typed;  // symbols the user types, found in that group
  int language;
  const char* shown;  // the word display after typing, UTF-8
  bool followLayout = true;
  int languageAfter = -1;  // the language the checker is in after typing; -1: the one it started with
};

const LayoutRow kLayoutRows[] = {
    {"us", 0, {XK_l, XK_a, XK_z, XK_y}, SpellingEngine::kEnglish, "LAZY"},
    {"de", 0, {XK_l, XK_a, XK_z, XK_y}, SpellingEngine::kEnglish, "LAZY"},
    {"fr", 0, {XK_l, XK_a, XK_z, XK_y, XK_q, XK_m, XK_w}, SpellingEngine::kEnglish, "LAZYQMW"},
    // AZERTY's comma is no M: it ends the word, shown wrong at the key after it.
    {"fr", 0, {XK_l, XK_m, XK_comma, XK_space}, SpellingEngine::kEnglish, "LM_"},
    {"us -variant dvorak", 0, {XK_t, XK_h, XK_e}, SpellingEngine::kEnglish, "THE"},
    {"us -variant colemak", 0, {XK_l, XK_a, XK_z, XK_y}, SpellingEngine::kEnglish, "LAZY"},
    {"de,ru", 0, {XK_l, XK_a, XK_z, XK_y}, SpellingEngine::kEnglish, "LAZY"},
    {"de,ru", 1, {XK_Cyrillic_ka, XK_Cyrillic_o, XK_Cyrillic_te}, SpellingEngine::kRussian, "КОТ"},
    {"ru", 0, {XK_Cyrillic_ka, XK_Cyrillic_o, XK_Cyrillic_te}, SpellingEngine::kRussian, "КОТ"},
    {"us", 0, {XK_r, XK_j, XK_n}, SpellingEngine::kRussian, "КОТ"},
    // The language follows a keyboard with a Latin and a Cyrillic group.
    {"us,ru", 1, {XK_Cyrillic_pe, XK_Cyrillic_er, XK_Cyrillic_i, XK_Cyrillic_ve, XK_Cyrillic_ie, XK_Cyrillic_te},
     SpellingEngine::kEnglish, "ПРИВЕТ", true, SpellingEngine::kRussian},
    {"us,ru", 0, {XK_h, XK_e, XK_l, XK_l, XK_o}, SpellingEngine::kRussian, "HELLO", true, SpellingEngine::kEnglish},
    {"us,ru", 1, {XK_Cyrillic_ka, XK_Cyrillic_o, XK_Cyrillic_te}, SpellingEngine::kEnglish, "RJN", false},
};

// The keycode that types `keysym` without Shift in `group`; 0 when none.
uint8_t KeycodeTyping(_XDisplay* display, unsigned long keysym, int group) {
  XkbDescPtr xkb = XkbGetMap(display, XkbKeySymsMask, XkbUseCoreKbd);
  if (xkb == nullptr) return 0;
  uint8_t found = 0;
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && found == 0; ++keycode)
    if (group < XkbKeyNumGroups(xkb, keycode) && XkbKeySymEntry(xkb, keycode, 0, group) == keysym)
      found = static_cast<uint8_t>(keycode);
  XkbFreeKeyboard(xkb, 0, True);
  return found;
}

TEST_F(KeyboardMap, LettersFollowTheActiveLatinLayoutAndCyrillicKeepsPositions) {
  vuruzid::testing::TempFolder program;
  vuruzid::testing::WriteDictionary(program / "english.dll", {"LAZY", "THE"});
  vuruzid::testing::WriteDictionary(program / "russian.dll", {*cp1251::FromUtf8("КОТ")});
  SpellingEngine engine({program.path(), {program.path()}}, nullptr);
  bool follow = true;
  KeyCapture typing([&](const KeyStroke& key) { engine.ProcessKeyStroke(key, follow); });

  for (const LayoutRow& row : kLayoutRows) {
    SCOPED_TRACE(std::string(row.setxkbmap) + ", group " + std::to_string(row.group));
    TestDesktop::SetKeyboard(row.setxkbmap);
    XkbLockGroup(desktop.display(), XkbUseCoreKbd, row.group);
    XSync(desktop.display(), False);
    std::string whyNot;
    ASSERT_TRUE(typing.Install(&whyNot)) << whyNot;  // each row starts as checking does
    PumpFor(150ms);  // the capture reads the new keyboard
    follow = row.followLayout;
    engine.ActivateLanguage(row.language);
    engine.ResetWord();
    std::vector<uint8_t> keycodes;
    for (unsigned long sym : row.typed) {
      keycodes.push_back(KeycodeTyping(desktop.display(), sym, row.group));
      ASSERT_NE(keycodes.back(), 0) << "no key types symbol " << sym;
    }
    desktop.TapAll(keycodes);
    ASSERT_TRUE(PumpUntil([&] { return cp1251::ToUtf8(engine.display().word) == row.shown; }, 1500ms))
        << "shown: " << cp1251::ToUtf8(engine.display().word);
    EXPECT_EQ(engine.language(), row.languageAfter < 0 ? row.language : row.languageAfter);
    typing.Remove();
    XkbLockGroup(desktop.display(), XkbUseCoreKbd, 0);
    XSync(desktop.display(), False);
  }
}

}  // namespace
}  // namespace vuruzid::capture::testing
