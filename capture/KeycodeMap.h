#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "capture/KeyNames.h"

namespace vuruzid::capture {

// X keycode -> virtual-key codes, built from the key names of the active
// keycode set, so it follows the physical key whatever layout is active.
class KeycodeMap {
 public:
  struct Alias {
    std::string alias;     // the other name, e.g. "AC12"
    std::string realName;  // the name the keycode carries, e.g. "BKSL"
  };

  KeycodeMap() = default;
  // `namesByKeycode[k]` is the key name of keycode k (empty when k has none).
  // An alias gives codes to a keycode whose own name is not known here.
  KeycodeMap(const std::vector<std::string>& namesByKeycode, const std::vector<Alias>& aliases);

  KeyVirtualCodes CodesOf(uint8_t keycode) const { return codes_[keycode]; }
  uint8_t VirtualKey(uint8_t keycode, bool numLockOn) const { return codes_[keycode].For(numLockOn); }
  // How many keycodes have a virtual-key code.
  size_t MappedKeyCount() const;

 private:
  std::array<KeyVirtualCodes, 256> codes_{};
};

}  // namespace vuruzid::capture
