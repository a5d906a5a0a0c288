#include "platform/DataFolder.h"

#include <system_error>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Environment.h"

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

std::string AccountHome() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir)
    return {};
  return found->pw_dir;
}

// The user's data folder as the XDG base directory rules define it: a
// relative $XDG_DATA_HOME is invalid and ignored.
fs::path UserDataFolder(const UserEnvironment& environment) {
  if (fs::path xdg(environment.xdgDataHome); xdg.is_absolute()) return xdg;
  if (fs::path home(environment.home); home.is_absolute()) return home / ".local" / "share";
  return {};
}

}  // namespace

UserEnvironment UserEnvironment::OfThisProcess() {
  UserEnvironment environment{EnvironmentValue("XDG_DATA_HOME"), EnvironmentValue("HOME"),
                              EnvironmentValue("XDG_CONFIG_HOME")};
  if (environment.home.empty()) environment.home = AccountHome();
  return environment;
}

fs::path LauncherOfThisProcess() {
  fs::path launcher(EnvironmentValue("QOR_VURUZID_LAUNCHER"));
  return launcher.is_absolute() ? launcher : fs::path();
}

bool IsWritableFolder(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  // The effective user, as the kernel checks an open() for writing.
  return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

DataHome ChooseDataHome(const fs::path& programFolder, const UserEnvironment& environment) {
  std::error_code ec;
  const bool installed = fs::exists(programFolder / kPerUserMarkerFile, ec);
  const fs::path dataFolder = programFolder / "data";
  const bool programFolderWritable =
      fs::is_directory(dataFolder, ec) ? IsWritableFolder(dataFolder) : IsWritableFolder(programFolder);
  if (!installed && programFolderWritable) return {programFolder, false};

  if (const fs::path userData = UserDataFolder(environment); !userData.empty())
    return {userData / kPerUserFolderName, true};
  return {programFolder, false};
}

bool PrepareDataHome(const DataHome& home, std::string& error) {
  const fs::path dataFolder = home.folder / "data";
  std::error_code ec;
  if (fs::is_directory(dataFolder, ec)) return true;
  const bool homeIsNew = !fs::exists(home.folder, ec);
  fs::create_directories(dataFolder, ec);
  if (ec) {
    error = "Cannot create the data folder " + dataFolder.string() + ": " + ec.message() + ".";
    return false;
  }
  // Settings and word lists are the user's own: not for other accounts to read.
  if (home.perUser && homeIsNew) fs::permissions(home.folder, fs::perms::owner_all, ec);
  return true;
}

}  // namespace vuruzid::platform
