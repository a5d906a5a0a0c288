// The plain rules of the capture, without an X server: which recorded key
// events become key-downs, the Insert-key state, and how key names give codes.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <cstdlib>
#include <vector>

#include "capture/FocusGate.h"
#include "capture/KeyContext.h"
#include "capture/KeyEventFilter.h"
#include "capture/KeycodeMap.h"

namespace vuruzid::capture {
namespace {

constexpr uint8_t kA = 38, kB = 56, kInsert = 118, kMedia = 200;

struct FilterTest : ::testing::Test {
  std::optional<KeyDown> Down(uint8_t keycode, uint8_t virtualKey, uint8_t modifiers = 0) {
    return filter.OnKeyEvent({keycode, true, virtualKey, modifiers});
  }
  std::optional<KeyDown> Up(uint8_t keycode, uint8_t virtualKey) { return filter.OnKeyEvent({keycode, false, virtualKey}); }
  KeyEventFilter filter;
};

TEST_F(FilterTest, OnlyKeyDownsWithACodeArriveAndEveryRepeatCounts) {
  EXPECT_EQ(Down(kA, 'A'), (KeyDown{'A', 1}));
  EXPECT_EQ(Down(kA, 'A'), (KeyDown{'A', 1}));  // auto-repeat
  EXPECT_EQ(Up(kA, 'A'), std::nullopt);
  EXPECT_EQ(Down(kMedia, 0), std::nullopt);  // a key without a virtual-key code
  EXPECT_EQ(Up(kMedia, 0), std::nullopt);
}

TEST_F(FilterTest, ModifierKeysPassAndKeysWithCtrlAltOrSuperHeldAndF10AreCommands) {
  struct Row {
    const char* what;
    uint8_t virtualKey, modifiers;
    std::optional<KeyDown> delivered;
  };
  const Row rows[] = {
      {"Ctrl itself", 17, 0, std::nullopt},
      {"Alt itself, also under Ctrl", 18, kControlHeld, std::nullopt},
      {"the Windows keys", 91, 0, std::nullopt},
      {"F10 opens the menu bar", 121, 0, KeyDown{121, 1, true}},
      {"Ctrl+A", 'A', kControlHeld, KeyDown{'A', 1, true}},
      {"Alt+Tab", 9, kAltHeld, KeyDown{9, 1, true}},
      {"Super+L", 'L', kSuperHeld, KeyDown{'L', 1, true}},
      {"Ctrl+Backspace", 8, kControlHeld, KeyDown{8, 1, true}},
      {"Shift under Ctrl stays a modifier", 16, kControlHeld, KeyDown{16, 1, false}},
      {"AltGr+Q is text: no bit is held", 'Q', 0, KeyDown{'Q', 1, false}},
      {"Shift+A is text that tells Shift", 'A', kShiftHeld,
       KeyDown{.virtualKey = 'A', .insertKeyState = 1, .shift = true}},
      {"Caps Lock on", 'A', kCapsLockOn, KeyDown{.virtualKey = 'A', .insertKeyState = 1, .capsLock = true}},
      {"Shift with Caps Lock on", 'A', kShiftHeld | kCapsLockOn,
       KeyDown{.virtualKey = 'A', .insertKeyState = 1, .shift = true, .capsLock = true}},
      {"Ctrl+Shift+A: a command that tells Shift", 'A', kControlHeld | kShiftHeld,
       KeyDown{.virtualKey = 'A', .insertKeyState = 1, .command = true, .shift = true}},
      // Last: it toggles Insert.
      {"Shift+Insert is no command either", 45, kShiftHeld,
       KeyDown{.virtualKey = 45, .insertKeyState = -128, .shift = true}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Down(kB, row.virtualKey, row.modifiers), row.delivered) << row.what;
    Up(kB, row.virtualKey);
  }
}

TEST_F(FilterTest, PointerPressesOfTheLeftMiddleAndRightButtonsAreKeyDownsOfNoKey) {
  const auto press = [&](uint8_t button, uint8_t modifiers = 0) {
    return filter.OnKeyEvent({button, true, 0, modifiers, KeyScript::Unknown, true});
  };
  Down(kInsert, 45);
  Up(kInsert, 45);  // overwrite mode: the press carries it, as keys do
  for (uint8_t button : {1, 2, 3})
    EXPECT_EQ(press(button), (KeyDown{.insertKeyState = 0, .pointerButton = button})) << int(button);
  EXPECT_EQ(press(1, kControlHeld | kShiftHeld),
            (KeyDown{.insertKeyState = 0, .shift = true, .pointerButton = 1}))
      << "a click with Ctrl held is no shortcut";
  for (uint8_t wheel : {0, 4, 5, 8}) EXPECT_EQ(press(wheel), std::nullopt) << int(wheel);
  EXPECT_EQ(filter.OnKeyEvent({1, false, 0, 0, KeyScript::Unknown, true}), std::nullopt) << "a release";
  EXPECT_EQ(Down(1, 'A'), (KeyDown{'A', 0})) << "a button is no key: keycode 1 was never held";
}

TEST_F(FilterTest, InsertTogglesOnItsFirstDownAndReadsHeldUntilReleased) {
  EXPECT_EQ(filter.InsertKeyState(), 1) << "insert mode at first";
  EXPECT_EQ(Down(kInsert, 45), (KeyDown{45, -128}));
  EXPECT_EQ(Down(kInsert, 45), (KeyDown{45, -128})) << "repeats do not toggle";
  EXPECT_EQ(Down(kA, 'A'), (KeyDown{'A', -128}));
  Up(kInsert, 45);
  EXPECT_EQ(Down(kA, 'A'), (KeyDown{'A', 0}));
  EXPECT_EQ(Down(kInsert, 45), (KeyDown{45, -127}));
  Up(kInsert, 45);
  EXPECT_EQ(filter.InsertKeyState(), 1);
}

TEST_F(FilterTest, RestartingTakesTheHeldKeysAndKeepsTheInsertToggle) {
  Down(kInsert, 45);
  Up(kInsert, 45);
  Down(kA, 'A');  // released while capture was off: never seen

  std::bitset<256> held;
  filter.StartWithHeldKeys(held, [](uint8_t) -> uint8_t { return 0; });
  EXPECT_EQ(filter.InsertKeyState(), 0);
  EXPECT_EQ(Down(kA, 'A'), (KeyDown{'A', 0})) << "a new press, not a repeat";

  held[kInsert] = true;
  filter.StartWithHeldKeys(held, [](uint8_t keycode) -> uint8_t { return keycode == kInsert ? 45 : 0; });
  EXPECT_EQ(filter.InsertKeyState(), -128);
  EXPECT_EQ(Down(kInsert, 45), (KeyDown{45, -128})) << "a repeat of the held Insert does not toggle";
}

TEST(KeycodeMapTest, NamesGiveCodesAndAliasesOnlyFillGaps) {
  std::vector<std::string> names(256);
  names[38] = "AC01";
  names[51] = "BKSL";
  names[87] = "KP1";
  names[135] = "COMP";
  names[140] = "I140";   // a key no keyboard standard names
  names[141] = "XYZW";   // unknown, but an alias names it
  const KeycodeMap map(names, {{"AC12", "BKSL"}, {"MENU", "COMP"}, {"TLDE", "XYZW"}, {"LatA", "AC01"},
                               {"AD01", "NONE"}, {"FK01", ""}});
  EXPECT_EQ(map.VirtualKey(38, true), 'A');
  EXPECT_EQ(map.VirtualKey(51, true), 220);
  EXPECT_EQ(map.VirtualKey(135, true), 93);
  EXPECT_EQ(map.VirtualKey(141, true), 192) << "an alias gives a code to a key whose name is unknown";
  EXPECT_EQ(map.VirtualKey(140, true), 0);
  EXPECT_EQ(map.VirtualKey(87, true), 97);
  EXPECT_EQ(map.VirtualKey(87, false), 35);
  EXPECT_EQ(map.VirtualKey(0, true), 0);
  EXPECT_EQ(map.MappedKeyCount(), 5u) << "aliases of missing or unnamed keys give nothing";
}

TEST(KeycodeMapTest, GroupsTellTheirScriptOnlyWhenTheKeyboardHasBoth) {
  KeycodeMap map({"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                  "", "", "", "", "AD06", "AD07"},
                 {});
  map.FollowGroup(0, {{29, 'z'}, {30, 'u'}});                  // German: Z where the US Y is
  EXPECT_EQ(map.ScriptOf(0), KeyScript::Unknown) << "one script: the group says nothing of the language";
  map.FollowGroup(1, {{29, 0x6ce}, {30, 0x1000433}});          // Cyrillic_en, and U+0433 as a Unicode keysym
  EXPECT_EQ(map.ScriptOf(0), KeyScript::Latin);
  EXPECT_EQ(map.ScriptOf(1), KeyScript::Cyrillic);
  EXPECT_EQ(map.VirtualKey(29, true, 0), 'Z');
  EXPECT_EQ(map.VirtualKey(29, true, 1), 'Y') << "Cyrillic letters keep their positions";
  EXPECT_EQ(map.ScriptOf(2), KeyScript::Unknown);
}

TEST(KeyContextTest, WhereKeysAreHeldBack) {
  const std::vector<std::string> leftAlone = {"XTerm", "", "my-editor", "foot"};
  const ProgramName gedit{"gedit", "Gedit"}, firefox{"Navigator", "firefox-esr"}, xterm{"xterm", "XTerm"};
  struct Row {
    FocusFacts facts;
    Pause pause;
  };
  const Row rows[] = {
      {{.program = gedit}, Pause::NotPaused},
      {{}, Pause::NotPaused},
      {{.passwordField = true, .program = gedit}, Pause::PasswordField},
      {{.program = {"pinentry-gtk-2", "Pinentry-gtk-2"}}, Pause::PasswordProgram},
      {{.program = {"keepassxc", "KeePassXC"}}, Pause::PasswordProgram},
      {{.program = {"unnamed", "Unnamed"}, .executable = "pinentry-qt"}, Pause::PasswordProgram},  // by executable
      {{.program = xterm}, Pause::ProgramLeftAlone},
      {{.program = {"uxterm", "xterm"}}, Pause::ProgramLeftAlone},  // by class, ignoring case
      {{.program = {"My-Editor", "My-Editor"}}, Pause::ProgramLeftAlone},
      {{.program = {"Foot", "Foot"}, .executable = "foot"}, Pause::ProgramLeftAlone},
      {{.sessionActive = false, .program = gedit}, Pause::SessionInactive},
      {{.passwordField = true, .program = xterm}, Pause::PasswordField},
      // Locked, grabbed or not yet known: nothing passes, whatever has the focus.
      {{.screenLocked = true, .program = gedit}, Pause::ScreenLocked},
      {{.keyboardGrabbed = true, .program = gedit}, Pause::KeyboardGrabbed},
      {{.sessionActive = false, .screenLocked = true}, Pause::SessionInactive},
      {{.focusKnown = false, .program = gedit}, Pause::FocusUnknown},
      {{.focusKnown = false, .passwordField = true}, Pause::FocusUnknown},
      // A program that cannot be told is held back, unless a stronger reason speaks.
      {{.programKnown = false}, Pause::ProgramUnknown},
      {{.passwordField = true, .programKnown = false}, Pause::PasswordField},
      // Browsers, by class, executable or toolkit, pass once their focus is seen.
      {{.program = firefox}, Pause::BrowserUnseen},
      {{.program = firefox, .focusSeenInProgram = true}, Pause::NotPaused},
      {{.passwordField = true, .program = firefox, .focusSeenInProgram = true}, Pause::PasswordField},
      {{.program = {"chromium", "Chromium"}}, Pause::BrowserUnseen},
      {{.program = {"code", "Code"}}, Pause::BrowserUnseen},
      {{.program = {"x", "Y"}, .executable = "brave"}, Pause::BrowserUnseen},
      {{.program = {"x", "Y"}, .toolkit = "Chromium"}, Pause::BrowserUnseen},
      {{.program = {"x", "Y"}, .toolkit = "Gecko"}, Pause::BrowserUnseen},
      {{.program = gedit, .toolkit = "GTK"}, Pause::NotPaused},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.facts.program.instance + "/" + row.facts.executable + "/" + row.facts.toolkit);
    EXPECT_EQ(PauseFor(row.facts, leftAlone), row.pause);
  }
  EXPECT_TRUE(ListNames(DefaultProgramsLeftAlone(), {"gnome-terminal-server", "Gnome-terminal"}));
  EXPECT_TRUE(ListNames(DefaultProgramsLeftAlone(), {"ssh-askpass", "Ssh-askpass"}));
  EXPECT_EQ(DescribeContext({Pause::PasswordField, "Gedit"}), "paused for a password field in Gedit");
  // The window's line never names more than the program.
  EXPECT_EQ(QuietLine({Pause::NotPaused, "Gedit"}), "");
  EXPECT_EQ(QuietLine({Pause::PasswordField, "Gedit"}), "not checked: password field");
  EXPECT_EQ(QuietLine({Pause::ProgramLeftAlone, "XTerm"}), "not checked in XTerm");
  EXPECT_EQ(QuietLine({Pause::ProgramLeftAlone, ""}), "not checked: this program");
  EXPECT_EQ(QuietLine({Pause::BrowserUnseen, "firefox-esr"}),
            "not checked in firefox-esr \u2014 see Check in web browsers");
}

// Keys after a key or click that may move the focus wait for the desktop to
// tell where it went; each row is a script of steps at times in milliseconds.
TEST(FocusGateTest, KeysAfterAFocusMoveWaitForItsEvent) {
  enum Op { Key, Command, Press, Click, Moved, Wake, WakeBusy, WakeAppBusy, Drop };
  struct Step {
    int ms;
    Op op;
    char key = 0;
    bool messagesWaiting = false;
  };
  struct Row {
    const char* what;
    std::vector<Step> steps;
    std::string delivered;  // after all steps; '\t' is Tab, '\r' Enter, '\x1b' Escape, '#' a pointer press
    size_t stillHeld = 0;
  };
  const Row rows[] = {
      {"plain keys pass at once", {{0, Key, 'A'}, {1, Key, 'B'}}, "AB"},
      {"a Tab passes, the keys after it wait for the focus event",
       {{0, Key, 'A'}, {10, Key, '\t'}, {20, Key, 'S'}, {30, Key, 'W'}}, "A\t", 2},
      {"the focus event lets them go, in order",
       {{0, Key, '\t'}, {20, Key, 'S'}, {30, Key, 'W'}, {43, Moved}, {50, Key, 'X'}}, "\tSWX"},
      {"without a focus event they go when the wait is over",
       {{0, Key, '\t'}, {20, Key, 'S'}, {100, Wake}, {250, Wake}}, "\tS"},
      {"a wake before the wait is over changes nothing", {{0, Key, '\r'}, {20, Key, 'S'}, {100, Wake}}, "\r", 1},
      {"a pause meanwhile drops them unjudged",
       {{0, Key, '\t'}, {20, Key, 'S'}, {40, Drop}, {300, Wake}, {310, Key, 'D'}},
       "\tD"},
      {"a click makes the keys after it wait", {{0, Click}, {10, Key, 'S'}, {60, Moved}}, "S"},
      {"a click with no focus event", {{0, Click}, {10, Key, 'S'}, {250, Wake}}, "S"},
      {"a shortcut may move the focus", {{0, Command, 'L'}, {10, Key, 'S'}}, "L", 1},
      {"Escape may move the focus", {{0, Key, '\x1b'}, {10, Key, 'S'}}, "\x1b", 1},
      {"a key with messages waiting waits until they are handled",
       {{0, Key, 'S', true}, {5, Wake}, {6, Key, 'T'}}, "ST"},
      {"messages that never end are waited for 50 ms at most",
       {{0, Key, 'S', true}, {5, WakeBusy}, {25, WakeBusy}, {45, WakeBusy}, {50, WakeBusy}}, "S"},
      {"a held Tab holds the keys after it for its own focus event",
       {{0, Key, '\t'}, {10, Key, 'A'}, {20, Key, '\t'}, {30, Key, 'B'}, {45, Moved}}, "\tA\t", 1},
      {"and lets them go at the next one",
       {{0, Key, '\t'}, {10, Key, 'A'}, {20, Key, '\t'}, {30, Key, 'B'}, {45, Moved}, {90, Moved}}, "\tA\tB"},
      {"an application still busy with the Tab is waited for",
       {{0, Key, '\t'}, {10, Key, 'S'}, {250, WakeAppBusy}, {400, WakeAppBusy}, {410, Drop}}, "\t"},
      {"but not for ever", {{0, Key, '\t'}, {10, Key, 'S'}, {250, WakeAppBusy}, {1499, WakeAppBusy}, {1500, WakeAppBusy}},
       "\tS"},
      {"a time-out with messages just in settles first",
       {{0, Key, '\t'}, {10, Key, 'A'}, {250, WakeBusy}, {255, Wake}}, "\tA"},
      {"a pointer press passes and the keys after it wait", {{0, Press}, {10, Key, 'S'}}, "#", 1},
      {"until its focus event", {{0, Press}, {10, Key, 'S'}, {40, Moved}}, "#S"},
      {"a press held behind a Tab keeps its place, and holds the keys after it",
       {{0, Key, '\t'}, {10, Key, 'A'}, {20, Press}, {30, Key, 'B'}, {45, Moved}}, "\tA#", 1},
      {"then lets them go at its own focus event",
       {{0, Key, '\t'}, {10, Key, 'A'}, {20, Press}, {30, Key, 'B'}, {45, Moved}, {90, Moved}}, "\tA#B"},
      {"a press with messages waiting waits behind them",
       {{0, Key, 'S', true}, {2, Press}, {3, Key, 'T'}, {5, Wake}, {40, Moved}}, "S#", 1},
      {"a pause drops a held press with the keys", {{0, Key, '\t'}, {10, Press}, {20, Drop}, {30, Key, 'D'}}, "\tD"},
  };
  const auto start = FocusGate::Clock::now();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::string delivered;
    FocusGate gate([&](const KeyDown& key) {
      delivered += key.pointerButton != 0 ? '#' : static_cast<char>(key.virtualKey);
    });
    for (const Step& step : row.steps) {
      const auto at = start + std::chrono::milliseconds(step.ms);
      const KeyDown key{.virtualKey = static_cast<uint8_t>(step.key), .insertKeyState = 1, .command = step.op == Command,
                        .pointerButton = static_cast<uint8_t>(step.op == Press ? 1 : 0)};
      switch (step.op) {
        case Key:
        case Command:
        case Press:
          gate.OnKey(key, FocusGate::MayMoveFocus(key), step.messagesWaiting, at);
          break;
        case Click:
          gate.OnClick(at);
          break;
        case Moved:
          gate.OnFocusMoved(at);
          break;
        case Wake:
        case WakeBusy:
        case WakeAppBusy:
          gate.Wake(step.op == WakeBusy, at, step.op == WakeAppBusy);
          break;
        case Drop:
          gate.Drop();
          break;
      }
    }
    EXPECT_EQ(delivered, row.delivered);
    EXPECT_EQ(gate.HeldCount(), row.stillHeld);
    // Whatever is held has a time to go by; nothing held, no timer.
    EXPECT_EQ(gate.HeldCount() > 0, gate.WakeAt().has_value());
  }
}

TEST(KeycodeMapTest, MoreNamesThanKeycodesAreCutOff) {
  std::vector<std::string> names(300, "AC01");
  const KeycodeMap map(names, {});
  EXPECT_EQ(map.MappedKeyCount(), 256u);
}

TEST(KeycodeMapTest, LatinLayoutsGiveLettersTheirOwnCodes) {
  struct Row {
    uint8_t positional;
    uint32_t keysym;
    uint8_t code;
  };
  const Row rows[] = {
      {'Y', 'z', 'Z'},   // QWERTZ: the key at Y types z
      {'A', 'q', 'Q'},   // AZERTY
      {186, 'm', 'M'},   // AZERTY's M sits where the US semicolon is
      {'M', ',', 188},   // ...and its comma where the US M is
      {'Q', '\'', 222},  // Dvorak's apostrophe
      {'1', '&', 0},     // digit keys keep their digits (AZERTY types & there)
      {'2', 'e', 0},
      {186, 0xF6, 0},    // ö: no Latin letter a-z, the position stands
      {189, '[', 0},     // punctuation keys keep their positions
      {'A', 0xFF51, 0},  // a key that types no mark
  };
  for (const Row& row : rows)
    EXPECT_EQ(LatinLayoutCode(row.positional, row.keysym), row.code) << int(row.positional) << " " << row.keysym;

  KeycodeMap map({"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                  "", "", "", "", "AD06"},
                 {});
  map.SetLayoutCode(1, 29, 'Z');
  EXPECT_EQ(map.VirtualKey(29, true, 0), 'Y');  // no layout code in group 0: the position
  EXPECT_EQ(map.VirtualKey(29, true, 1), 'Z');
  EXPECT_EQ(map.VirtualKey(29, true, 5), 'Z');  // groups wrap round
}

// The keyboard devices number keys as the kernel does, XKB's evdev keycode set
// numbers them 8 higher: every Linux code the capture knows must name the
// key that the installed keycode file gives that number.
TEST(KeycodeMapTest, LinuxKeyCodesAgreeWithXkbsEvdevKeycodes) {
  std::ifstream file("/usr/share/X11/xkb/keycodes/evdev");
  ASSERT_TRUE(file) << "XKB's keycode files are not installed";
  std::map<std::string, int> keycodes;
  std::map<std::string, std::string> aliases;
  // Lines "<AE01> = 10;" and "alias <AC12> = <BKSL>;"; comments start with //.
  const auto names = [](const std::string& line) {
    std::vector<std::string> found;
    for (size_t open = line.find('<'); open != std::string::npos; open = line.find('<', open + 1))
      if (const size_t close = line.find('>', open); close != std::string::npos)
        found.push_back(line.substr(open + 1, close - open - 1));
    return found;
  };
  for (std::string line; std::getline(file, line);) {
    line = line.substr(0, line.find("//"));
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    const auto found = names(line);
    if (line.compare(start, 6, "alias ") == 0 && found.size() == 2) {
      aliases.try_emplace(found[0], found[1]);
    } else if (line[start] == '<' && found.size() == 1) {
      const size_t equals = line.find('=');
      if (equals != std::string::npos) keycodes.try_emplace(found[0], std::atoi(line.c_str() + equals + 1));
    }
  }
  ASSERT_GT(keycodes.size(), 200u);
  size_t named = 0;
  for (uint16_t linuxCode = 0; linuxCode < 248; ++linuxCode) {
    const std::string_view name = KeyNameOfLinuxKey(linuxCode);
    if (name.empty()) continue;
    ++named;
    SCOPED_TRACE(std::string(name));
    std::string real(name);
    if (aliases.contains(real)) real = aliases[real];
    ASSERT_TRUE(keycodes.contains(real));
    EXPECT_EQ(keycodes[real], linuxCode + 8);
  }
  EXPECT_GT(named, 100u);
}

}  // namespace
}  // namespace vuruzid::capture
