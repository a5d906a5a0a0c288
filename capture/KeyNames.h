#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/VirtualKeys.h"

namespace vuruzid::capture {

// The virtual-key codes one physical key gives. Keypad digits and the keypad
// decimal point give a second code while Num Lock is off (End for keypad 1,
// Delete for the decimal point, ...), as on the keyboards the codes come from.
struct KeyVirtualCodes {
  uint8_t virtualKey = 0;      // 0: the key has no virtual-key code
  uint8_t withoutNumLock = 0;  // 0: the same code whatever Num Lock says

  uint8_t For(bool numLockOn) const { return numLockOn || withoutNumLock == 0 ? virtualKey : withoutNumLock; }
  friend bool operator==(const KeyVirtualCodes&, const KeyVirtualCodes&) = default;
};

// The virtual-key codes of the key with the XKB key name `keyName` ("AC01" is
// the key labelled A on a US keyboard, whatever layout is active); nothing for
// names no standard keyboard key carries.
std::optional<KeyVirtualCodes> VirtualKeyForKeyName(std::string_view keyName);

// The key name of the key with Linux key code `linuxCode` (what the kernel's
// input devices report; XKB's evdev keycode set numbers the same keys 8
// higher); empty for keys without a virtual-key code.
std::string_view KeyNameOfLinuxKey(uint16_t linuxCode);

}  // namespace vuruzid::capture
