#pragma once

#include <cstdint>

namespace vuruzid {

// The script of a keyboard group (layout): what its letter keys type.
enum class KeyScript : uint8_t { Unknown, Latin, Cyrillic };

// One key-down, or a pointer press, with what the capture knows around it.
struct KeyStroke {
  uint8_t virtualKey = 0;
  int16_t insertKeyState = 1;  // low bit: Insert toggled on; sign bit: Insert held
  // Pressed while Ctrl, Alt or Super was held: a command to the application,
  // not text (AltGr, the third level, stays text).
  bool command = false;
  // The script of the keyboard group this key was typed in, where it changed
  // since the last key (the user switched layouts); Unknown otherwise, and
  // always where the keyboard does not have both a Latin and a Cyrillic group.
  KeyScript switchedTo = KeyScript::Unknown;
  bool shift = false;     // Shift was held: with Caps Lock, it tells the case of a letter
  bool capsLock = false;  // Caps Lock was on
  // A pointer button was pressed (1 left, 2 middle, 3 right) instead of a key:
  // the caret may have moved where no key tells. `virtualKey` is 0 then.
  uint8_t pointerButton = 0;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

}  // namespace vuruzid
