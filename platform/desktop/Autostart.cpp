#include "platform/desktop/Autostart.h"

#include <system_error>

#include "platform/DataFolder.h"

namespace vuruzid::platform {
namespace fs = std::filesystem;

fs::path AutostartFolder(const std::string& xdgConfigHome, const std::string& home) {
  if (fs::path config(xdgConfigHome); config.is_absolute()) return config / "autostart";
  if (fs::path homeFolder(home); homeFolder.is_absolute()) return homeFolder / ".config" / "autostart";
  return {};
}

fs::path AutostartFolderOfThisProcess() {
  const UserEnvironment environment = UserEnvironment::OfThisProcess();
  return AutostartFolder(environment.xdgConfigHome, environment.home);
}

bool StartsAtLogin(const fs::path& folder) {
  std::error_code ec;
  return !folder.empty() && fs::is_regular_file(folder / kAutostartFile, ec);
}

bool SetStartAtLogin(const fs::path& folder, bool start, const DesktopEntry& entry, std::string& error) {
  if (folder.empty()) {
    error = "your configuration folder could not be found";
    return false;
  }
  std::error_code ec;
  const fs::path file = folder / kAutostartFile;
  if (!start) {
    fs::remove(file, ec);
    if (ec) error = ec.message() + " (" + file.string() + ")";
    return !ec;
  }
  fs::create_directories(folder, ec);
  if (ec) {
    error = ec.message() + " (" + folder.string() + ")";
    return false;
  }
  return WriteDesktopEntry(file, entry, error);
}

}  // namespace vuruzid::platform
