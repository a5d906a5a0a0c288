#include "capture/KeycodeMap.h"

#include <algorithm>

namespace vuruzid::capture {

KeycodeMap::KeycodeMap(const std::vector<std::string>& namesByKeycode, const std::vector<Alias>& aliases) {
  const size_t keycodes = std::min(namesByKeycode.size(), codes_.size());
  for (size_t keycode = 0; keycode < keycodes; ++keycode) {
    if (auto codes = VirtualKeyForKeyName(namesByKeycode[keycode])) codes_[keycode] = *codes;
  }
  for (const Alias& alias : aliases) {
    const auto codes = VirtualKeyForKeyName(alias.alias);
    if (!codes || alias.realName.empty()) continue;
    for (size_t keycode = 0; keycode < keycodes; ++keycode) {
      if (namesByKeycode[keycode] == alias.realName && codes_[keycode].virtualKey == 0) codes_[keycode] = *codes;
    }
  }
}

size_t KeycodeMap::MappedKeyCount() const {
  return static_cast<size_t>(std::ranges::count_if(codes_, [](const KeyVirtualCodes& c) { return c.virtualKey != 0; }));
}

}  // namespace vuruzid::capture
