#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/DataFolder.h"

namespace vuruzid::platform {

// The name of the menu entry the installed program puts in a system data folder.
inline constexpr const char* kSystemMenuEntryFile = "org.vuruzid.QorVuruzid.desktop";

// The user's folders as the XDG base directory and user directory rules name
// them. A variable that is empty or not absolute is ignored, as the rules ask.
struct XdgFolders {
  std::filesystem::path dataHome;                // $XDG_DATA_HOME, else ~/.local/share
  std::filesystem::path configHome;              // $XDG_CONFIG_HOME, else ~/.config
  std::vector<std::filesystem::path> dataDirs;   // $XDG_DATA_DIRS, else /usr/local/share and /usr/share
  std::filesystem::path desktop;                 // XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop;
                                                 // empty when set to the home folder (switched off)
};

// The one place these folders are worked out; without a home folder the
// folders under it are empty. Reads configHome/user-dirs.dirs for the desktop.
XdgFolders ResolveXdgFolders(const UserEnvironment& environment, std::string_view xdgDataDirs);
XdgFolders XdgFoldersOfThisProcess();

// The user's folder of application menu entries (created when missing, as a
// fresh account may not have it yet); empty when it cannot be determined.
std::filesystem::path ApplicationsFolder();

// The user's desktop folder when it exists; empty otherwise.
std::filesystem::path DesktopFolder();

// The installed program's menu entry in the first system data folder that has
// one (the desktop's menu shows it already); empty when there is none.
std::filesystem::path SystemMenuEntry();

}  // namespace vuruzid::platform
