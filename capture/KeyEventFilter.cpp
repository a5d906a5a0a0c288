#include "capture/KeyEventFilter.h"

namespace vuruzid::capture {

std::optional<KeyDown> KeyEventFilter::OnKeyEvent(uint8_t keycode, bool pressed, uint8_t virtualKey) {
  if (!pressed) {
    held_[keycode] = altHeld_[keycode] = insertHeld_[keycode] = false;
    return std::nullopt;
  }
  const bool repeat = held_[keycode];
  held_[keycode] = true;

  if (virtualKey == vk::kInsert) {
    if (!repeat) insertToggled_ = !insertToggled_;
    insertHeld_[keycode] = true;
  }
  if (virtualKey == vk::kAlt) {
    altHeld_[keycode] = true;
    return std::nullopt;
  }
  if (virtualKey == 0 || virtualKey == vk::kF10 || altHeld_.any()) return std::nullopt;
  return KeyDown{virtualKey, InsertKeyState()};
}

int16_t KeyEventFilter::InsertKeyState() const {
  const int16_t toggle = insertToggled_ ? 1 : 0;
  return insertHeld_.any() ? static_cast<int16_t>(kHeldBits | toggle) : toggle;
}

}  // namespace vuruzid::capture
