#include "capture/KeyNames.h"

#include <algorithm>
#include <array>

namespace vuruzid::capture {
namespace {

struct NamedKey {
  std::string_view name;
  KeyVirtualCodes codes;
  uint16_t linuxCode = 0;  // the kernel's code of the key; 0 for the other names of a key
};

// Key names as XKB's keycode sets spell them (evdev, xfree86 and their
// aliases), with the codes of the same keys on a US keyboard and the Linux
// key code of the key (XKB's evdev keycode less 8).
constexpr auto kNamedKeys = std::to_array<NamedKey>({
    // Letters, by position.
    {"AD01", {'Q'}, 16}, {"AD02", {'W'}, 17}, {"AD03", {'E'}, 18}, {"AD04", {'R'}, 19}, {"AD05", {'T'}, 20},
    {"AD06", {'Y'}, 21}, {"AD07", {'U'}, 22}, {"AD08", {'I'}, 23}, {"AD09", {'O'}, 24}, {"AD10", {'P'}, 25},
    {"AC01", {'A'}, 30}, {"AC02", {'S'}, 31}, {"AC03", {'D'}, 32}, {"AC04", {'F'}, 33}, {"AC05", {'G'}, 34},
    {"AC06", {'H'}, 35}, {"AC07", {'J'}, 36}, {"AC08", {'K'}, 37}, {"AC09", {'L'}, 38}, {"AB01", {'Z'}, 44},
    {"AB02", {'X'}, 45}, {"AB03", {'C'}, 46}, {"AB04", {'V'}, 47}, {"AB05", {'B'}, 48}, {"AB06", {'N'}, 49},
    {"AB07", {'M'}, 50},
    // Digit row.
    {"AE01", {'1'}, 2}, {"AE02", {'2'}, 3}, {"AE03", {'3'}, 4}, {"AE04", {'4'}, 5}, {"AE05", {'5'}, 6},
    {"AE06", {'6'}, 7}, {"AE07", {'7'}, 8}, {"AE08", {'8'}, 9}, {"AE09", {'9'}, 10}, {"AE10", {'0'}, 11},
    // Punctuation: ; = , - . / ` [ \ ] ' and the extra key of ISO keyboards.
    {"AC10", {186}, 39}, {"AE12", {187}, 13}, {"AB08", {188}, 51}, {"AE11", {189}, 12}, {"AB09", {190}, 52},
    {"AB10", {191}, 53}, {"TLDE", {192}, 41}, {"AD11", {219}, 26}, {"BKSL", {220}, 43}, {"AC12", {220}},
    {"AD12", {221}, 27}, {"AC11", {222}, 40}, {"LSGT", {226}, 86},
    // Whole-word keys.
    {"BKSP", {8}, 14}, {"TAB", {9}, 15}, {"RTRN", {13}, 28}, {"SPCE", {32}, 57}, {"ESC", {27}, 1},
    // Modifiers and locks.
    {"LFSH", {16}, 42}, {"RTSH", {16}, 54}, {"LCTL", {17}, 29}, {"RCTL", {17}, 97}, {"LALT", {18}, 56},
    {"RALT", {18}, 100}, {"ALGR", {18}}, {"LWIN", {91}, 125}, {"LMTA", {91}}, {"RWIN", {92}, 126}, {"RMTA", {92}},
    {"COMP", {93}, 127}, {"MENU", {93}}, {"CAPS", {20}, 58}, {"NMLK", {144}, 69}, {"SCLK", {145}, 70},
    // Navigation and editing.
    {"PAUS", {19}, 119}, {"BRK", {3}}, {"PRSC", {44}, 99}, {"SYRQ", {44}}, {"INS", {45}, 110}, {"DELE", {46}, 111},
    {"HOME", {36}, 102}, {"END", {35}, 107}, {"PGUP", {33}, 104}, {"PGDN", {34}, 109}, {"LEFT", {37}, 105},
    {"UP", {38}, 103}, {"RGHT", {39}, 106}, {"DOWN", {40}, 108},
    // Function keys F1-F24.
    {"FK01", {112}, 59}, {"FK02", {113}, 60}, {"FK03", {114}, 61}, {"FK04", {115}, 62}, {"FK05", {116}, 63},
    {"FK06", {117}, 64}, {"FK07", {118}, 65}, {"FK08", {119}, 66}, {"FK09", {120}, 67}, {"FK10", {121}, 68},
    {"FK11", {122}, 87}, {"FK12", {123}, 88}, {"FK13", {124}, 183}, {"FK14", {125}, 184}, {"FK15", {126}, 185},
    {"FK16", {127}, 186}, {"FK17", {128}, 187}, {"FK18", {129}, 188}, {"FK19", {130}, 189}, {"FK20", {131}, 190},
    {"FK21", {132}, 191}, {"FK22", {133}, 192}, {"FK23", {134}, 193}, {"FK24", {135}, 194},
    // Numeric keypad: digits and point, then the keys that do not depend on Num Lock.
    {"KP0", {96, 45}, 82}, {"KP1", {97, 35}, 79}, {"KP2", {98, 40}, 80}, {"KP3", {99, 34}, 81}, {"KP4", {100, 37}, 75},
    {"KP5", {101, 12}, 76}, {"KP6", {102, 39}, 77}, {"KP7", {103, 36}, 71}, {"KP8", {104, 38}, 72},
    {"KP9", {105, 33}, 73}, {"KPDL", {110, 46}, 83}, {"KPMU", {106}, 55}, {"KPAD", {107}, 78}, {"KPPT", {108}, 121},
    {"KPSU", {109}, 74}, {"KPDV", {111}, 98}, {"KPEN", {13}, 96},
    // Volume keys of multimedia keyboards.
    {"MUTE", {173}, 113}, {"VOL-", {174}, 114}, {"VOL+", {175}, 115},
});

}  // namespace

std::string_view KeyNameOfLinuxKey(uint16_t linuxCode) {
  if (linuxCode == 0) return {};
  const auto found = std::ranges::find(kNamedKeys, linuxCode, &NamedKey::linuxCode);
  return found == kNamedKeys.end() ? std::string_view() : found->name;
}

std::optional<KeyVirtualCodes> VirtualKeyForKeyName(std::string_view keyName) {
  const auto found = std::ranges::find(kNamedKeys, keyName, &NamedKey::name);
  if (found == kNamedKeys.end()) return std::nullopt;
  return found->codes;
}

}  // namespace vuruzid::capture
