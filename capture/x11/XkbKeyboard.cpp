#include "capture/x11/XkbKeyboard.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

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

// The modifier bits of the keys that carry the Num_Lock symbol.
unsigned NumLockMask(XkbDescPtr xkb) {
  unsigned mask = 0;
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
    const int symbols = XkbKeyNumSyms(xkb, keycode);
    const KeySym* sym = XkbKeySymsPtr(xkb, keycode);
    for (int i = 0; i < symbols; ++i) {
      if (sym[i] == XK_Num_Lock && xkb->map->modmap != nullptr) mask |= xkb->map->modmap[keycode];
    }
  }
  return mask;
}

// Gives letter keys the codes of the letters each Latin group types with them.
void FollowLatinGroups(XkbDescPtr xkb, KeycodeMap& map) {
  for (unsigned group = 0; group < KeycodeMap::kGroups; ++group) {
    std::vector<std::pair<uint8_t, KeySym>> symbols;  // keycode, symbol without Shift
    bool latin = false;
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && keycode < 256; ++keycode) {
      const int groups = XkbKeyNumGroups(xkb, keycode);
      if (groups == 0 || XkbKeyNumSyms(xkb, keycode) == 0) continue;
      // A key with fewer groups wraps round, as XKB does by default.
      const KeySym sym = XkbKeySymEntry(xkb, keycode, 0, static_cast<int>(group) % groups);
      symbols.emplace_back(static_cast<uint8_t>(keycode), sym);
      latin |= sym >= XK_a && sym <= XK_z;
    }
    if (!latin) continue;
    for (const auto& [keycode, sym] : symbols)
      map.SetLayoutCode(group, keycode, LatinLayoutCode(map.CodesOf(keycode).virtualKey, static_cast<uint32_t>(sym)));
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
  const unsigned numLockMask = NumLockMask(xkb);
  KeycodeMap map(namesByKeycode, aliases);
  FollowLatinGroups(xkb, map);
  XkbFreeKeyboard(xkb, 0, True);

  return KeyboardDescription{std::move(map), numLockMask};
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
