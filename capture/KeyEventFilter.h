#pragma once

#include <bitset>
#include <cstdint>
#include <optional>

#include "capture/KeyNames.h"
#include "capture/KeySource.h"
#include "engine/KeyStroke.h"

namespace vuruzid::capture {

// A key-down the interpreter gets: its virtual-key code, the Insert-key state
// at that moment, and whether it is a shortcut.
using KeyDown = KeyStroke;

// Turns the recorded key presses and releases of the desktop into the
// key-downs the interpreter sees. Key-ups are passed over, and so are the
// modifier keys Ctrl, Alt and Super themselves. A key pressed while Ctrl, Alt
// or Super is held is a command (Shift alone never makes one), and so is F10,
// which opens the menu bar in every application. Every
// press counts, the auto-repeated ones of a held key included. Each key-down
// tells whether Shift was held and Caps Lock on. A press of a pointer's left,
// middle or right button is a key-down of no key with its button.
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
    insertHeld_.reset();
    for (unsigned keycode = 0; keycode < 256; ++keycode)
      insertHeld_[keycode] = held_[keycode] && virtualKeyOf(static_cast<uint8_t>(keycode)) == vk::kInsert;
  }

  // One recorded key event; the key-down to deliver, if any. Its script is
  // left to the caller.
  std::optional<KeyDown> OnKeyEvent(const KeyEvent& event);

  int16_t InsertKeyState() const;

 private:
  std::bitset<256> held_, insertHeld_;
  bool insertToggled_ = true;
};

}  // namespace vuruzid::capture
