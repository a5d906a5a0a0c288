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

constexpr int kBackslashKey = 220;

using KeyTable = std::array<KeyMeaning, 256>;

KeyTable MakeTable(KeyLayout layout) {
  KeyTable table{};
  for (int k = 0; k < 256; ++k) {
    unsigned char c = static_cast<unsigned char>(k);
    if (k == 189) c = '-';
    if (k == 222 || k == 192) c = cp1251::kGraveAccent;
    if (layout == KeyLayout::Russian) {
      for (const auto& r : kRussianKeys)
        if (r.key == k) c = r.letter;
    }
    // The key types \ and | (\ and / on a Russian keyboard), not the letter of its code: it ends a word.
    if (k == kBackslashKey && layout != KeyLayout::Other) c = '\\';
    c = cp1251::ToUpper(c);

    KeyClass keyClass = KeyClass::WordEnd;
    if (k == vk::kInsert || k == vk::kShift || (layout == KeyLayout::English && (k == 219 || k == 221)))
      keyClass = KeyClass::Ignored;
    else if (k == 189 || k == 222 || k == 192 || cp1251::IsWordCharacter(c))
      keyClass = KeyClass::WordCharacter;
    else if (k == vk::kBackspace || k == vk::kLeft || k == vk::kRight)
      keyClass = KeyClass::Editing;
    table[k] = {keyClass, c};
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
