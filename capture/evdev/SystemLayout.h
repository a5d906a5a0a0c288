#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "capture/KeycodeMap.h"

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

// Compiles the layout and gives the map's letter keys the codes of the
// letters each of its Latin groups types. Returns the first Latin group, or
// nothing when the layout cannot be compiled or has no Latin group.
std::optional<unsigned> FollowLayout(const LayoutNames& names, KeycodeMap& map);

}  // namespace vuruzid::capture::evdev
