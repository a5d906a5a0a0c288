#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "capture/KeyNames.h"
#include "engine/KeyStroke.h"

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

  static constexpr unsigned kGroups = 4;  // keyboard groups (layouts) XKB can hold at once

  // The positional codes of a keycode.
  KeyVirtualCodes CodesOf(uint8_t keycode) const { return codes_[keycode]; }
  // The code a key gives while `group` is the active keyboard group: the
  // layout's own code where it sets one (SetLayoutCode), else its position's.
  uint8_t VirtualKey(uint8_t keycode, bool numLockOn, unsigned group = 0) const {
    const uint8_t layoutCode = layoutCodes_[group % kGroups][keycode];
    return layoutCode != 0 ? layoutCode : codes_[keycode].For(numLockOn);
  }
  // Lets a key follow the layout of a group instead of its position.
  void SetLayoutCode(unsigned group, uint8_t keycode, uint8_t virtualKey) {
    layoutCodes_[group % kGroups][keycode] = virtualKey;
  }
  // How many keycodes have a virtual-key code.
  size_t MappedKeyCount() const;

  // Takes in one keyboard group as the keymap describes it: each keycode with
  // the symbol it types without Shift (a keysym). A Latin group's letter keys
  // follow their letters (LatinLayoutCode); every group's script is noted.
  void FollowGroup(unsigned group, const std::vector<std::pair<uint8_t, uint32_t>>& symbols);
  // The script of a group, where the keyboard has both a Latin and a Cyrillic
  // group (so the group tells which language is typed); Unknown otherwise.
  KeyScript ScriptOf(unsigned group) const { return bilingual_ ? scripts_[group % kGroups] : KeyScript::Unknown; }
  bool HasLatinAndCyrillicGroups() const { return bilingual_; }
  bool IsLatinGroup(unsigned group) const { return scripts_[group % kGroups] == KeyScript::Latin; }

 private:
  std::array<KeyVirtualCodes, 256> codes_{};
  std::array<std::array<uint8_t, 256>, kGroups> layoutCodes_{};
  std::array<KeyScript, kGroups> scripts_{};
  bool bilingual_ = false;
};

// The code a key gets in a Latin keyboard group (one in which some key types a
// Latin letter), from its positional code and the symbol it types without
// Shift (a keysym, X11's and xkbcommon's numbering): the letter's code for a
// key that types a letter a-z, so QWERTZ, AZERTY, Dvorak and Colemak type their
// own letters; for a key whose position is a letter's but that types one of
// the US keyboard's punctuation marks (AZERTY's comma), that mark's code. 0
// where the positional code stands: digits, the other keys, and every key of a
// non-Latin group, whose letters the checker maps by position itself.
uint8_t LatinLayoutCode(uint8_t positionalCode, uint32_t keysym);

// The script of a keysym: Latin for a-z, Cyrillic for the Cyrillic letters
// (legacy and Unicode keysyms), Unknown for anything else.
KeyScript ScriptOfSymbol(uint32_t keysym);

}  // namespace vuruzid::capture
