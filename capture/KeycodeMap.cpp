#include "capture/KeycodeMap.h"

#include <algorithm>
#include <utility>

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

uint8_t LatinLayoutCode(uint8_t positionalCode, uint32_t keysym) {
  if (positionalCode >= '0' && positionalCode <= '9') return 0;
  if (keysym >= 'a' && keysym <= 'z') return static_cast<uint8_t>(keysym - 'a' + 'A');
  if (keysym >= 'A' && keysym <= 'Z') return static_cast<uint8_t>(keysym);
  if (positionalCode < 'A' || positionalCode > 'Z') return 0;
  // The marks of the US keyboard's main block and their codes.
  static constexpr std::pair<char, uint8_t> kMarks[] = {{';', 186}, {'=', 187}, {',', 188}, {'-', 189}, {'.', 190},
                                                        {'/', 191}, {'`', 192}, {'[', 219}, {'\\', 220}, {']', 221},
                                                        {'\'', 222}};
  for (const auto& [mark, code] : kMarks)
    if (keysym == static_cast<uint32_t>(mark)) return code;
  return 0;
}

KeyScript ScriptOfSymbol(uint32_t keysym) {
  if (keysym >= 'a' && keysym <= 'z') return KeyScript::Latin;
  constexpr uint32_t kUnicodeKeysym = 0x1000000;
  if ((keysym >= 0x6a1 && keysym <= 0x6ff) || (keysym >= kUnicodeKeysym + 0x400 && keysym <= kUnicodeKeysym + 0x4ff))
    return KeyScript::Cyrillic;
  return KeyScript::Unknown;
}

void KeycodeMap::FollowGroup(unsigned group, const std::vector<std::pair<uint8_t, uint32_t>>& symbols) {
  size_t latin = 0, cyrillic = 0;
  for (const auto& [keycode, sym] : symbols) {
    const KeyScript script = ScriptOfSymbol(sym);
    latin += script == KeyScript::Latin;
    cyrillic += script == KeyScript::Cyrillic;
  }
  // A group is of the script most of its letter keys type.
  const KeyScript script = latin == 0 && cyrillic == 0 ? KeyScript::Unknown
                           : latin >= cyrillic         ? KeyScript::Latin
                                                       : KeyScript::Cyrillic;
  scripts_[group % kGroups] = script;
  const auto has = [this](KeyScript wanted) { return std::ranges::find(scripts_, wanted) != scripts_.end(); };
  bilingual_ = has(KeyScript::Latin) && has(KeyScript::Cyrillic);
  if (latin == 0) return;
  for (const auto& [keycode, sym] : symbols) SetLayoutCode(group, keycode, LatinLayoutCode(CodesOf(keycode).virtualKey, sym));
}

size_t KeycodeMap::MappedKeyCount() const {
  return static_cast<size_t>(std::ranges::count_if(codes_, [](const KeyVirtualCodes& c) { return c.virtualKey != 0; }));
}

}  // namespace vuruzid::capture
