#include "capture/x11/XkbKeyboard.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vuruzid::capture::x11 {
namespace {

std::string KeyName(const char (&name)[XkbKeyNameLength]) {
  std::string text(name, XkbKeyNameLength);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

// The modifier bits of the keys that carry any of `keysyms`.
unsigned ModifierMask(XkbDescPtr xkb, std::initializer_list<KeySym> keysyms) {
  unsigned mask = 0;
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
    const int symbols = XkbKeyNumSyms(xkb, keycode);
    const KeySym* sym = XkbKeySymsPtr(xkb, keycode);
    for (int i = 0; i < symbols; ++i) {
      if (std::ranges::find(keysyms, sym[i]) != keysyms.end() && xkb->map->modmap != nullptr)
        mask |= xkb->map->modmap[keycode];
    }
  }
  return mask;
}

// Gives letter keys the codes of the letters each Latin group types with
// them, and notes each group's script.
void FollowGroups(XkbDescPtr xkb, KeycodeMap& map) {
  unsigned groups = 1;
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode)
    groups = std::max<unsigned>(groups, XkbKeyNumGroups(xkb, keycode));
  for (unsigned group = 0; group < std::min(groups, KeycodeMap::kGroups); ++group) {
    std::vector<std::pair<uint8_t, uint32_t>> symbols;  // keycode, symbol without Shift
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && keycode < 256; ++keycode) {
      const int keyGroups = XkbKeyNumGroups(xkb, keycode);
      if (keyGroups == 0 || XkbKeyNumSyms(xkb, keycode) == 0) continue;
      // A key with fewer groups wraps round, as XKB does by default.
      const KeySym sym = XkbKeySymEntry(xkb, keycode, 0, static_cast<int>(group) % keyGroups);
      symbols.emplace_back(static_cast<uint8_t>(keycode), static_cast<uint32_t>(sym));
    }
    map.FollowGroup(group, symbols);
  }
}

}  // namespace

std::optional<KeyboardDescription> ReadXkbKeyboard(Display* display) {
  XkbDescPtr xkb = XkbGetMap(display, XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
  if (xkb == nullptr) return std::nullopt;
  if (XkbGetNames(display, XkbKeyNamesMask | XkbKeyAliasesMask, xkb) != Success || xkb->names == nullptr || xkb->names->keys == nullptr || xkb->map == nullptr) {
    XkbFreeKeyboard(xkb, 0, True);
    return std::nullopt;
  }

  std::vector<std::string> namesByKeycode(256);
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && keycode < 256; ++keycode)
    namesByKeycode[keycode] = KeyName(xkb->names->keys[keycode].name);

  std::vector<KeycodeMap::Alias> aliases;
  for (int i = 0; xkb->names->key_aliases != nullptr && i < xkb->names->num_key_aliases; ++i) {
    const XkbKeyAliasRec& alias = xkb->names->key_aliases[i];
    aliases.push_back({KeyName(alias.alias), KeyName(alias.real)});
  }
  KeyboardDescription keyboard;
  keyboard.numLockMask = ModifierMask(xkb, {XK_Num_Lock});
  // AltGr (the third level) types text: its bit never counts as Alt, even
  // where a keymap puts both on one modifier.
  const unsigned level3Mask = ModifierMask(xkb, {XK_ISO_Level3_Shift, XK_Mode_switch});
  keyboard.altMask = ModifierMask(xkb, {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R}) & ~level3Mask;
  keyboard.superMask = ModifierMask(xkb, {XK_Super_L, XK_Super_R, XK_Hyper_L, XK_Hyper_R}) & ~level3Mask;
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && keycode < 256; ++keycode)
    keyboard.modifierBits[keycode] = xkb->map->modmap != nullptr ? xkb->map->modmap[keycode] : 0;
  keyboard.keycodeMap = KeycodeMap(namesByKeycode, aliases);
  FollowGroups(xkb, keyboard.keycodeMap);
  XkbFreeKeyboard(xkb, 0, True);
  return keyboard;
}

std::bitset<256> HeldKeycodes(Display* display) {
  char keys[32] = {};
  XQueryKeymap(display, keys);
  std::bitset<256> held;
  for (unsigned keycode = 0; keycode < 256; ++keycode)
    held[keycode] = (static_cast<unsigned char>(keys[keycode / 8]) >> (keycode % 8)) & 1;
  return held;
}

}  // namespace vuruzid::capture::x11
