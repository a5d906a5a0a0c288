#pragma once

#include <filesystem>
#include <string>

#include "platform/desktop/DesktopEntry.h"

namespace vuruzid::platform {

// The program's entry in the user's XDG autostart folder, which desktop
// sessions start at login.
inline constexpr const char* kAutostartFile = "qor-vuruzid.desktop";

// $XDG_CONFIG_HOME/autostart (an absolute value only), else ~/.config/autostart;
// empty when neither can be found.
std::filesystem::path AutostartFolder(const std::string& xdgConfigHome, const std::string& home);
std::filesystem::path AutostartFolderOfThisProcess();

// True when `folder` holds the program's autostart entry.
bool StartsAtLogin(const std::filesystem::path& folder);

// Writes the entry (making the folder when missing) or removes it. False with
// the reason in `error` on failure; removing an entry that is not there succeeds.
bool SetStartAtLogin(const std::filesystem::path& folder, bool start, const DesktopEntry& entry, std::string& error);

}  // namespace vuruzid::platform
