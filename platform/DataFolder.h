#pragma once

#include <filesystem>
#include <string>

namespace vuruzid::platform {

// The name of the folder, inside the user's data folder, of a copy whose
// program folder cannot be written.
inline constexpr const char* kPerUserFolderName = "qor-vuruzid";

// A file an installed program folder carries: its data is always kept per
// user, even for an administrator who could write into the program folder.
inline constexpr const char* kPerUserMarkerFile = "per-user-data";

// Where the program keeps what it writes: the folder that holds data/ and the
// link folder. Dictionaries, help and read-me always come from the program folder.
struct DataHome {
  std::filesystem::path folder;  // holds data/ and the link folder; empty when none can be found
  bool perUser = false;          // the user's own data folder rather than the program folder
};

// The environment the choice depends on (normally read from the process).
struct UserEnvironment {
  std::string xdgDataHome;    // $XDG_DATA_HOME
  std::string home;           // $HOME, else the home folder of the account
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME
  static UserEnvironment OfThisProcess();
};

// The launcher an installed copy was started by ($QOR_VURUZID_LAUNCHER, set by
// it), which the links it makes should start too; empty when not absolute.
std::filesystem::path LauncherOfThisProcess();

// True when this process may create and replace files in `folder`, as the
// kernel decides for its effective user (so an administrator may write into a
// folder whose permission bits say read-only, and nobody into a read-only mount).
bool IsWritableFolder(const std::filesystem::path& folder);

// The program folder keeps data/ when it may be written (data/ itself when it
// exists, else the folder) and carries no per-user marker; otherwise data/
// lives in $XDG_DATA_HOME/qor-vuruzid (default ~/.local/share/qor-vuruzid).
// With neither a writable program folder nor a home folder, the program
// folder is returned, and saving there reports its failure as before.
DataHome ChooseDataHome(const std::filesystem::path& programFolder, const UserEnvironment& environment);

// Makes the data folder (data/ inside `home`) when missing. A per-user home
// is made private to the user (0700) when it is new, and when an existing one
// may be written by its group or by others. False with the reason in `error`
// when either cannot be done.
bool PrepareDataHome(const DataHome& home, std::string& error);

}  // namespace vuruzid::platform
