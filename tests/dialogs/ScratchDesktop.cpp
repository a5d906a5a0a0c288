#include "ScratchDesktop.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vuruzid::testing {
namespace fs = std::filesystem;

namespace {

void SetEnvironment(const char* name, const fs::path& value) {
  ::setenv(name, value.c_str(), 1);
}

void CopyDistFile(const fs::path& relative, const fs::path& programFolder) {
  fs::create_directories((programFolder / relative).parent_path());
  fs::copy_file(fs::path(VURUZID_DIST_DIR) / relative, programFolder / relative,
                fs::copy_options::overwrite_existing);
}

}  // namespace

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

void IsolateFromRealHome() {
  static TempFolder sessionHome;  // lives as long as the test program
  SetEnvironment("HOME", sessionHome.path());
  SetEnvironment("XDG_DATA_HOME", sessionHome / "data");
  SetEnvironment("XDG_CONFIG_HOME", sessionHome / "config");
  SetEnvironment("XDG_CACHE_HOME", sessionHome / "cache");
  SetEnvironment("XDG_DATA_DIRS", sessionHome / "system");  // an installed copy's menu entry stays out
}

ScratchDesktop::ScratchDesktop() : root_(rootFolder_.path()), previousFolder_(fs::current_path()) {
  fs::create_directories(dataHome());
  fs::create_directories(configHome());
  fs::create_directories(desktop());
  SetEnvironment("HOME", home());
  SetEnvironment("XDG_DATA_HOME", dataHome());
  SetEnvironment("XDG_CONFIG_HOME", configHome());
  SetEnvironment("XDG_DATA_DIRS", systemData());
  SetDesktopFolder(desktop());

  fs::create_directories(program() / "data");
  fs::create_directories(linkFolder());
  CopyDistFile("Readme.htm", program());
  CopyDistFile(fs::path("Help") / "index.htm", program());
  fs::current_path(program());
}

ScratchDesktop::~ScratchDesktop() {
  std::error_code ec;
  fs::current_path(previousFolder_, ec);
  IsolateFromRealHome();
}

void ScratchDesktop::SetDesktopFolder(const fs::path& folder) const {
  // The same line xdg-user-dirs writes; the folder is quoted as it has a blank.
  WriteFile(configHome() / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + folder.string() + "\"\n");
}

}  // namespace vuruzid::testing
