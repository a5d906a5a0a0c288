#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "capture/KeycodeMap.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace vuruzid::capture::evdev {

// The keyboard layout the system is configured with, as XKB names it. The
// device route has no X server to ask which layout is active, so it follows
// this one.
struct LayoutNames {
  std::string rules, model, layout, variant, options;
};

// The session's XKB_DEFAULT_LAYOUT (with XKB_DEFAULT_VARIANT and friends) when
// set, else the system's keyboard configuration (`keyboardDefaults`, normally
// /etc/default/keyboard: XKBLAYOUT="de,ru" and the like); nothing when
// neither names a layout.
std::optional<LayoutNames> ConfiguredLayout(const std::filesystem::path& keyboardDefaults);

// The keymap the keyboards are read with, compiled with xkbcommon, and one
// state fed with the keys of every keyboard, as a compositor keeps one per
// seat. The state follows the modifiers held and the group switches the
// keymap's own options make (grp:alt_shift_toggle and the like); switches the
// desktop makes by other means are not seen.
class DeviceKeymap {
 public:
  DeviceKeymap();
  ~DeviceKeymap();
  DeviceKeymap(const DeviceKeymap&) = delete;
  DeviceKeymap& operator=(const DeviceKeymap&) = delete;

  // Compiles the configured layout, or xkbcommon's default one when nothing is
  // configured or the configuration does not compile; false when neither does.
  bool Compile(const std::optional<LayoutNames>& names);
  // Gives the map's letter keys the codes of the letters each Latin group
  // types and notes each group's script. Returns the first Latin group.
  std::optional<unsigned> FollowGroups(KeycodeMap& map) const;

  // One key press or release (not an auto-repeat), by XKB keycode.
  void Update(uint8_t keycode, bool pressed);
  // The ModifierBits held now (Caps Lock: locked), and the active group.
  uint8_t Modifiers() const;
  unsigned Group() const;

 private:
  struct Free {
    void operator()(xkb_context* context) const;
    void operator()(xkb_keymap* keymap) const;
    void operator()(xkb_state* state) const;
  };
  std::unique_ptr<xkb_context, Free> context_;
  std::unique_ptr<xkb_keymap, Free> keymap_;
  std::unique_ptr<xkb_state, Free> state_;
  std::array<uint32_t, 5> modifierIndices_{};  // Ctrl, Alt, Super, Shift, Caps Lock in the keymap
};

}  // namespace vuruzid::capture::evdev
