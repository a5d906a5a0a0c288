#pragma once

#include <filesystem>
#include <string>

#include "platform/desktop/DesktopEntry.h"

namespace vuruzid::platform {

// The program's entry in the user's XDG autostart folder, which desktop
// sessions start at login.
inline constexpr const char* kAutostartFile = "qor-vuruzid.desktop";

// The key the program marks its own autostart entry with; an entry without it
// is the user's (or an earlier version's) and is never removed.
inline constexpr const char* kCreatedByProgramKey = "X-Vuruzid-Created";

// The autostart folder in the user's configuration folder; empty when that cannot be found.
std::filesystem::path AutostartFolderOfThisProcess();

// True when `folder` holds the program's autostart entry and the desktop has
// not switched it off (Hidden=true, X-GNOME-Autostart-enabled=false).
bool StartsAtLogin(const std::filesystem::path& folder);

// Starting: writes the program's own entry (making the folder when missing),
// or switches an entry the user made back on. Not starting: removes the
// program's own entry, or switches the user's off with Hidden=true. False with
// the reason in `error` on failure; an entry that is not there needs nothing.
bool SetStartAtLogin(const std::filesystem::path& folder, bool start, const DesktopEntry& entry, std::string& error);

// Brings the program's own entry, written by an earlier version, up to date
// without rewriting it: when it starts `entry`'s target and has no TryExec,
// a TryExec naming that target is added and every other line is kept. The
// user's entries, and an own entry that starts another copy, are left alone.
// False with the reason in `error` when the entry cannot be written; no entry
// needs nothing.
bool RefreshOwnAutostartEntry(const std::filesystem::path& folder, const DesktopEntry& entry, std::string& error);

}  // namespace vuruzid::platform
