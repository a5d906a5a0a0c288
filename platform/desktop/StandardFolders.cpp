#include "platform/desktop/StandardFolders.h"

#include <fstream>
#include <string>
#include <system_error>

#include "platform/Environment.h"

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

fs::path AbsoluteOrEmpty(std::string_view value) {
  fs::path folder(value);
  return folder.is_absolute() ? folder : fs::path();
}

// The folder a base directory variable names, else `defaultUnderHome` in the home folder.
fs::path BaseFolder(std::string_view value, const fs::path& home, const char* defaultUnderHome) {
  if (fs::path folder = AbsoluteOrEmpty(value); !folder.empty()) return folder;
  return home.empty() ? fs::path() : home / defaultUnderHome;
}

std::vector<fs::path> DataDirs(std::string_view value) {
  std::vector<fs::path> folders;
  while (!value.empty()) {
    const size_t colon = value.find(':');
    if (fs::path folder = AbsoluteOrEmpty(value.substr(0, colon)); !folder.empty()) folders.push_back(folder);
    value = colon == std::string_view::npos ? std::string_view() : value.substr(colon + 1);
  }
  if (folders.empty()) folders = {"/usr/local/share", "/usr/share"};
  return folders;
}

// XDG_DESKTOP_DIR as user-dirs.dirs sets it: a shell assignment of "$HOME/..."
// or of an absolute path, the last one counting. Empty when none is usable.
fs::path DesktopInUserDirs(const fs::path& configHome, const fs::path& home) {
  constexpr std::string_view kAssignment = "XDG_DESKTOP_DIR=";
  std::ifstream file(configHome / "user-dirs.dirs");
  fs::path desktop;
  for (std::string line; std::getline(file, line);) {
    if (!line.starts_with(kAssignment)) continue;
    std::string value;
    for (size_t i = kAssignment.size(); i < line.size(); ++i) {
      if (line[i] == '"') continue;
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      value += line[i];
    }
    if (value == "$HOME" || value.starts_with("$HOME/")) {
      if (!home.empty()) desktop = home.string() + value.substr(5);
    } else if (fs::path absolute = AbsoluteOrEmpty(value); !absolute.empty()) {
      desktop = absolute;
    }
  }
  return desktop;
}

}  // namespace

XdgFolders ResolveXdgFolders(const UserEnvironment& environment, std::string_view xdgDataDirs) {
  const fs::path home = AbsoluteOrEmpty(environment.home);
  XdgFolders folders;
  folders.dataHome = BaseFolder(environment.xdgDataHome, home, ".local/share");
  folders.configHome = BaseFolder(environment.xdgConfigHome, home, ".config");
  folders.dataDirs = DataDirs(xdgDataDirs);
  if (!folders.configHome.empty()) folders.desktop = DesktopInUserDirs(folders.configHome, home);
  if (folders.desktop.empty() && !home.empty()) folders.desktop = home / "Desktop";
  // A desktop set to the home folder itself is how the user switches it off.
  if ((folders.desktop / "").lexically_normal() == (home / "").lexically_normal()) folders.desktop.clear();
  return folders;
}

XdgFolders XdgFoldersOfThisProcess() {
  return ResolveXdgFolders(UserEnvironment::OfThisProcess(), EnvironmentValue("XDG_DATA_DIRS"));
}

fs::path ApplicationsFolder() {
  const fs::path dataHome = XdgFoldersOfThisProcess().dataHome;
  if (dataHome.empty()) return {};
  const fs::path folder = dataHome / "applications";
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec) ? folder : fs::path();
}

fs::path DesktopFolder() {
  fs::path folder = XdgFoldersOfThisProcess().desktop;
  std::error_code ec;
  return !folder.empty() && fs::is_directory(folder, ec) ? folder : fs::path();
}

fs::path SystemMenuEntry() {
  for (const fs::path& folder : XdgFoldersOfThisProcess().dataDirs) {
    std::error_code ec;
    if (const fs::path entry = folder / "applications" / kSystemMenuEntryFile; fs::is_regular_file(entry, ec))
      return entry;
  }
  return {};
}

}  // namespace vuruzid::platform
