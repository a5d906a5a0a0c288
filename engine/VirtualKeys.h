#pragma once

#include <cstdint>

// Virtual-key codes with a role of their own, shared by the capture (which
// produces the codes) and the interpreter (which reads them).
namespace vuruzid::vk {

inline constexpr uint8_t kBackspace = 8, kShift = 16, kControl = 17, kAlt = 18, kLeft = 37, kRight = 39,
                         kInsert = 45, kLeftWindows = 91, kRightWindows = 92, kF10 = 121, kTab = 9,
                         kReturn = 13, kEscape = 27;

// The keys that make the next key a command: Ctrl, Alt and Super (Windows).
constexpr bool IsCommandModifier(uint8_t key) {
  return key == kControl || key == kAlt || key == kLeftWindows || key == kRightWindows;
}

}  // namespace vuruzid::vk
