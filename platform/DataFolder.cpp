#include "platform/DataFolder.h"

#include "platform/desktop/StandardFolders.h"

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

  if (const fs::path userData = ResolveXdgFolders(environment, {}).dataHome; !userData.empty())
    return {userData / kPerUserFolderName, true};
  return {programFolder, false};
}

bool PrepareDataHome(const DataHome& home, std::string& error) {
  const fs::path dataFolder = home.folder / "data";
  std::error_code ec;
  const bool homeIsNew = !fs::exists(home.folder, ec);
  if (!fs::is_directory(dataFolder, ec)) fs::create_directories(dataFolder, ec);
  if (ec) {
    error = "Cannot create the data folder " + dataFolder.string() + ": " + ec.message() + ".";
    return false;
  }
  if (!home.perUser) return true;

  // Settings and word lists are the user's own: a new folder is not for other
  // accounts to read, and none is for them to change.
  const fs::perms bits = fs::status(home.folder, ec).permissions();
  const bool othersMayWrite = (bits & (fs::perms::group_write | fs::perms::others_write)) != fs::perms::none;
  if (!ec && (homeIsNew || othersMayWrite)) fs::permissions(home.folder, fs::perms::owner_all, ec);
  if (ec) {
    error = "Cannot make the data folder " + home.folder.string() + " private to you: " + ec.message() + ".";
    return false;
  }
  return true;
}

}  // namespace vuruzid::platform
