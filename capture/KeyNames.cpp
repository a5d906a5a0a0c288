#include "capture/KeyNames.h"

#include <algorithm>
#include <array>

namespace vuruzid::capture {
namespace {

struct NamedKey {
  std::string_view name;
  KeyVirtualCodes codes;
};

// Key names as XKB's keycode sets spell them (evdev, xfree86 and their
// aliases), with the codes of the same keys on a US keyboard.
constexpr auto kNamedKeys = std::to_array<NamedKey>({
    // Letters, by position.
    {"AD01", {'Q'}}, {"AD02", {'W'}}, {"AD03", {'E'}}, {"AD04", {'R'}}, {"AD05", {'T'}},
    {"AD06", {'Y'}}, {"AD07", {'U'}}, {"AD08", {'I'}}, {"AD09", {'O'}}, {"AD10", {'P'}},
    {"AC01", {'A'}}, {"AC02", {'S'}}, {"AC03", {'D'}}, {"AC04", {'F'}}, {"AC05", {'G'}},
    {"AC06", {'H'}}, {"AC07", {'J'}}, {"AC08", {'K'}}, {"AC09", {'L'}},
    {"AB01", {'Z'}}, {"AB02", {'X'}}, {"AB03", {'C'}}, {"AB04", {'V'}}, {"AB05", {'B'}},
    {"AB06", {'N'}}, {"AB07", {'M'}},
    // Digit row.
    {"AE01", {'1'}}, {"AE02", {'2'}}, {"AE03", {'3'}}, {"AE04", {'4'}}, {"AE05", {'5'}},
    {"AE06", {'6'}}, {"AE07", {'7'}}, {"AE08", {'8'}}, {"AE09", {'9'}}, {"AE10", {'0'}},
    // Punctuation: ; = , - . / ` [ \ ] ' and the extra key of ISO keyboards.
    {"AC10", {186}}, {"AE12", {187}}, {"AB08", {188}}, {"AE11", {189}}, {"AB09", {190}},
    {"AB10", {191}}, {"TLDE", {192}}, {"AD11", {219}}, {"BKSL", {220}}, {"AC12", {220}},
    {"AD12", {221}}, {"AC11", {222}}, {"LSGT", {226}},
    // Whole-word keys.
    {"BKSP", {8}}, {"TAB", {9}}, {"RTRN", {13}}, {"SPCE", {32}}, {"ESC", {27}},
    // Modifiers and locks.
    {"LFSH", {16}}, {"RTSH", {16}}, {"LCTL", {17}}, {"RCTL", {17}}, {"LALT", {18}}, {"RALT", {18}},
    {"ALGR", {18}}, {"LWIN", {91}}, {"LMTA", {91}}, {"RWIN", {92}}, {"RMTA", {92}}, {"COMP", {93}},
    {"MENU", {93}}, {"CAPS", {20}}, {"NMLK", {144}}, {"SCLK", {145}},
    // Navigation and editing.
    {"PAUS", {19}}, {"BRK", {3}}, {"PRSC", {44}}, {"SYRQ", {44}}, {"INS", {45}}, {"DELE", {46}},
    {"HOME", {36}}, {"END", {35}}, {"PGUP", {33}}, {"PGDN", {34}}, {"LEFT", {37}}, {"UP", {38}},
    {"RGHT", {39}}, {"DOWN", {40}},
    // Function keys F1-F24.
    {"FK01", {112}}, {"FK02", {113}}, {"FK03", {114}}, {"FK04", {115}}, {"FK05", {116}},
    {"FK06", {117}}, {"FK07", {118}}, {"FK08", {119}}, {"FK09", {120}}, {"FK10", {121}},
    {"FK11", {122}}, {"FK12", {123}}, {"FK13", {124}}, {"FK14", {125}}, {"FK15", {126}},
    {"FK16", {127}}, {"FK17", {128}}, {"FK18", {129}}, {"FK19", {130}}, {"FK20", {131}},
    {"FK21", {132}}, {"FK22", {133}}, {"FK23", {134}}, {"FK24", {135}},
    // Numeric keypad: digits and point, then the keys that do not depend on Num Lock.
    {"KP0", {96, 45}}, {"KP1", {97, 35}}, {"KP2", {98, 40}}, {"KP3", {99, 34}}, {"KP4", {100, 37}},
    {"KP5", {101, 12}}, {"KP6", {102, 39}}, {"KP7", {103, 36}}, {"KP8", {104, 38}},
    {"KP9", {105, 33}}, {"KPDL", {110, 46}}, {"KPMU", {106}}, {"KPAD", {107}}, {"KPPT", {108}},
    {"KPSU", {109}}, {"KPDV", {111}}, {"KPEN", {13}},
    // Volume keys of multimedia keyboards.
    {"MUTE", {173}}, {"VOL-", {174}}, {"VOL+", {175}},
});

}  // namespace

std::optional<KeyVirtualCodes> VirtualKeyForKeyName(std::string_view keyName) {
  const auto found = std::ranges::find(kNamedKeys, keyName, &NamedKey::name);
  if (found == kNamedKeys.end()) return std::nullopt;
  return found->codes;
}

}  // namespace vuruzid::capture
