#pragma once

#include <cstdint>
#include <string_view>

#include "engine/VirtualKeys.h"

namespace vuruzid {

// Layout identifiers: which key mapping turns virtual-key codes into letters.
inline constexpr std::string_view kEnglishLayoutId = "00000409";
inline constexpr std::string_view kRussianLayoutId = "00000419";

enum class KeyLayout : uint8_t { English, Russian, Other };
KeyLayout LayoutFromId(std::string_view layoutId);

// What a key does to the word being typed.
enum class KeyClass : uint8_t {
  Ignored,        // Shift, Insert, and under English the keys [ and ]
  WordCharacter,  // adds `character` at the caret
  Editing,        // Backspace, Left, Right
  WordEnd,        // everything else: the word is finished and judged
};

struct KeyMeaning {
  KeyClass keyClass;
  unsigned char character;  // Windows-1251, upper-case; meaningful for word characters
};

// The meaning of virtual-key code `virtualKey` (0-255) under `layout`. The key
// code itself is taken as a character first, so keypad and function keys also
// give letters; the Russian layout replaces the letters of its 33 keys.
KeyMeaning InterpretKey(uint8_t virtualKey, KeyLayout layout);

}  // namespace vuruzid
