#include "capture/KeyEventFilter.h"

namespace vuruzid::capture {

std::optional<KeyDown> KeyEventFilter::OnKeyEvent(const KeyEvent& event) {
  const bool shift = (event.modifiers & kShiftHeld) != 0, capsLock = (event.modifiers & kCapsLockOn) != 0;
  if (event.pointer) {
    if (!event.pressed || event.keycode < 1 || event.keycode > 3) return std::nullopt;
    return KeyDown{
        .insertKeyState = InsertKeyState(), .shift = shift, .capsLock = capsLock, .pointerButton = event.keycode};
  }
  const uint8_t keycode = event.keycode, virtualKey = event.virtualKey;
  if (!event.pressed) {
    held_[keycode] = insertHeld_[keycode] = false;
    return std::nullopt;
  }
  const bool repeat = held_[keycode];
  held_[keycode] = true;

  if (virtualKey == vk::kInsert) {
    if (!repeat) insertToggled_ = !insertToggled_;
    insertHeld_[keycode] = true;
  }
  if (virtualKey == 0 || vk::IsCommandModifier(virtualKey)) return std::nullopt;
  // F10 opens the menu bar in every application: a command, like a shortcut.
  const bool command =
      ((event.modifiers & (kControlHeld | kAltHeld | kSuperHeld)) != 0 && virtualKey != vk::kShift) ||
      virtualKey == vk::kF10;
  return KeyDown{.virtualKey = virtualKey, .insertKeyState = InsertKeyState(), .command = command, .shift = shift,
                 .capsLock = capsLock};
}

int16_t KeyEventFilter::InsertKeyState() const {
  const int16_t toggle = insertToggled_ ? 1 : 0;
  return insertHeld_.any() ? static_cast<int16_t>(kHeldBits | toggle) : toggle;
}

}  // namespace vuruzid::capture
