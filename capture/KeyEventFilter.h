#pragma once

#include <bitset>
#include <cstdint>
#include <optional>

#include "capture/KeyNames.h"

namespace vuruzid::capture {

// A key-down the interpreter gets: its virtual-key code and the Insert-key
// state at that moment.
struct KeyDown {
  uint8_t virtualKey;
  int16_t insertKeyState;
  friend bool operator==(const KeyDown&, const KeyDown&) = default;
};

// Turns the recorded key presses and releases of the desktop into the
// key-downs the interpreter sees. Key-ups are passed over, and so are system
// keys: Alt itself, any key while an Alt key is held, and F10. Every press
// counts, the auto-repeated ones of a held key included.
//
// It also keeps the Insert-key state, which nothing else on the desktop
// reports: the low bit is the toggle, flipped when Insert goes down (not by its
// repeats) and on at first, like applications start in insert mode; while
// Insert is held the value is negative, as a key-state query returns it.
class KeyEventFilter {
 public:
  static constexpr int16_t kHeldBits = -128;  // 0xFF80

  // Capture (re)starts: the keys held right now, by keycode, with their
  // virtual-key codes as `virtualKeyOf` gives them. The Insert toggle is kept.
  template <typename VirtualKeyOf>
  void StartWithHeldKeys(const std::bitset<256>& heldKeycodes, VirtualKeyOf virtualKeyOf) {
    held_ = heldKeycodes;
    altHeld_.reset();
    insertHeld_.reset();
    for (unsigned keycode = 0; keycode < 256; ++keycode) {
      if (!held_[keycode]) continue;
      const uint8_t virtualKey = virtualKeyOf(static_cast<uint8_t>(keycode));
      altHeld_[keycode] = virtualKey == vk::kAlt;
      insertHeld_[keycode] = virtualKey == vk::kInsert;
    }
  }

  // One recorded key event; the key-down to deliver, if any. `virtualKey` is 0
  // for a key without a code.
  std::optional<KeyDown> OnKeyEvent(uint8_t keycode, bool pressed, uint8_t virtualKey);

  int16_t InsertKeyState() const;

 private:
  std::bitset<256> held_, altHeld_, insertHeld_;
  bool insertToggled_ = true;
};

}  // namespace vuruzid::capture
