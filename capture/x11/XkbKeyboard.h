#pragma once

#include <X11/Xlib.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

#include "capture/KeycodeMap.h"

namespace vuruzid::capture::x11 {

// What the capture needs to know of the keyboard: which virtual-key code
// each keycode gives (by position, and in each Latin group by the letter it
// types), each group's script, and which modifier bits Num Lock, Alt and
// Super set (Control is always the core Control bit).
struct KeyboardDescription {
  KeycodeMap keycodeMap;
  unsigned numLockMask = 0;
  unsigned altMask = 0;
  unsigned superMask = 0;
  // The core modifier bits each keycode sets while it is down.
  std::array<uint8_t, 256> modifierBits{};
};

// Reads the key names (and their aliases) of the active keycode set from a
// connection on which the XKB extension has been initialised; nothing when
// the server does not answer with them.
std::optional<KeyboardDescription> ReadXkbKeyboard(Display* display);

// The keycodes that are down right now.
std::bitset<256> HeldKeycodes(Display* display);

}  // namespace vuruzid::capture::x11
