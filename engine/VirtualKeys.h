#pragma once

#include <cstdint>

// Virtual-key codes with a role of their own, shared by the capture (which
// produces the codes) and the interpreter (which reads them).
namespace vuruzid::vk {

inline constexpr uint8_t kBackspace = 8, kShift = 16, kAlt = 18, kLeft = 37, kRight = 39, kInsert = 45,
                         kF10 = 121;

}  // namespace vuruzid::vk
