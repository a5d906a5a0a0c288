#include "engine/KeyMap.h"

#include <array>

#include "engine/Cp1251.h"

namespace vuruzid {
namespace {

struct RussianKey {
  uint8_t key;
  unsigned char letter;
};

// The Russian typewriter layout on a US keyboard: key code and the capital it
// types. The key left of 1 carries Ё, which the word lists spell as Е.
constexpr std::array<RussianKey, 33> kRussianKeys = {{
    {65, 0xD4}, {66, 0xC8}, {67, 0xD1}, {68, 0xC2}, {69, 0xD3}, {70, 0xC0}, {71, 0xCF}, {72, 0xD0},
    {73, 0xD8}, {74, 0xCE}, {75, 0xCB}, {76, 0xC4}, {77, 0xDC}, {78, 0xD2}, {79, 0xD9}, {80, 0xC7},
    {81, 0xC9}, {82, 0xCA}, {83, 0xDB}, {84, 0xC5}, {85, 0xC3}, {86, 0xCC}, {87, 0xD6}, {88, 0xD7},
    {89, 0xCD}, {90, 0xDF}, {186, 0xC6}, {188, 0xC1}, {190, 0xDE}, {219, 0xD5}, {221, 0xDA},
    {222, 0xDD}, {192, 0xC5},
}};

using KeyTable = std::array<KeyMeaning, 256>;

constexpr bool IsLetterKey(int k) { return k >= 'A' && k <= 'Z'; }
constexpr bool IsFunctionKey(int k) { return k >= 112 && k <= 135; }  // F1-F24

KeyClass ClassOfOtherKey(int k) {
  switch (k) {
    case vk::kShift: case vk::kInsert: case 20: case 144: case 145:  // Shift, Insert, Caps, Num and Scroll Lock
    case 12: case 173: case 174: case 175:                          // keypad 5 without Num Lock, volume keys
      return KeyClass::Ignored;
    case vk::kBackspace: return KeyClass::Backspace;
    case 46: return KeyClass::Delete;
    case vk::kLeft: return KeyClass::Left;
    case vk::kRight: return KeyClass::Right;
    case 36: return KeyClass::Home;
    case 35: return KeyClass::End;
    case 33: case 34: case 38: case 40: return KeyClass::LineChange;  // Page Up, Page Down, Up, Down
    case 32: case vk::kReturn: case vk::kTab: return KeyClass::Blank;
    default: return IsFunctionKey(k) ? KeyClass::Command : KeyClass::WordEnd;
  }
}

KeyTable MakeTable(KeyLayout layout) {
  KeyTable table{};
  for (int k = 0; k < 256; ++k) {
    unsigned char letter = 0;
    if (IsLetterKey(k)) letter = static_cast<unsigned char>(k);
    if (k == 189) letter = '-';
    if (k == 222 || k == 192) letter = cp1251::kGraveAccent;
    if (layout == KeyLayout::Russian) {
      for (const auto& r : kRussianKeys)
        if (r.key == k) letter = r.letter;
    }
    if (letter != 0) {
      table[k] = {KeyClass::WordCharacter, letter};
      continue;
    }
    // Any other key types no word character, whatever its code would be as a character.
    const KeyClass keyClass = ClassOfOtherKey(k);
    const unsigned char typed = keyClass == KeyClass::Blank ? (k == vk::kReturn ? '\n' : k == vk::kTab ? '\t' : ' ')
                                                            : static_cast<unsigned char>(k >= '0' && k <= '9' ? k : '.');
    table[k] = {keyClass, typed};
  }
  return table;
}

const std::array<KeyTable, 3> kTables = {MakeTable(KeyLayout::English), MakeTable(KeyLayout::Russian),
                                         MakeTable(KeyLayout::Other)};

}  // namespace

KeyLayout LayoutFromId(std::string_view layoutId) {
  if (layoutId == kEnglishLayoutId) return KeyLayout::English;
  if (layoutId == kRussianLayoutId) return KeyLayout::Russian;
  return KeyLayout::Other;
}

KeyMeaning InterpretKey(uint8_t virtualKey, KeyLayout layout) {
  return kTables[static_cast<size_t>(layout)][virtualKey];
}

}  // namespace vuruzid
