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

// What a key does to the text being typed.
enum class KeyClass : uint8_t {
  Ignored,        // Shift, Insert, the lock keys, keys that type nothing (volume, keypad 5 without Num Lock)
  WordCharacter,  // adds `character` at the caret
  Backspace,      // deletes the character before the caret
  Delete,         // deletes the character after it
  Left,
  Right,
  Home,           // to the start of the line
  End,            // to its end
  LineChange,     // Up, Down, Page Up, Page Down: the caret goes where no key tells
  Blank,          // blank, Enter, Tab: the word before the caret is finished and judged
  WordEnd,        // digits, punctuation and the other keys: the word before is finished, judged at the next key
  Command,        // the function keys: commands to the application, not text
};

struct KeyMeaning {
  KeyClass keyClass;
  unsigned char character;  // Windows-1251, upper-case; what the key types, for word characters and word ends
};

// The meaning of virtual-key code `virtualKey` (0-255) under `layout`: the
// letter keys, "-" and the key left of 1 and the apostrophe key (the grave
// accent) type word characters; the Russian layout puts its letters on 33
// keys. Digits, the keypad's digits and operators, punctuation and the other
// keys end the word; the function keys are commands.
KeyMeaning InterpretKey(uint8_t virtualKey, KeyLayout layout);

}  // namespace vuruzid
