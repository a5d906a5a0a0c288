#include "platform/ProgramFolder.h"

#include <system_error>

namespace vuruzid::platform {
namespace fs = std::filesystem;

fs::path ExecutableFolder() {
  std::error_code ec;
#if defined(__linux__)
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path();
#endif
  return CurrentFolder();
}

fs::path CurrentFolder() {
  std::error_code ec;
  fs::path here = fs::current_path(ec);
  return ec ? fs::path() : here;
}

std::vector<fs::path> LibrarySearchPath() {
  std::vector<fs::path> path;
  if (auto here = CurrentFolder(); !here.empty()) path.push_back(here);
  if (auto exe = ExecutableFolder(); !exe.empty() && (path.empty() || exe != path.front()))
    path.push_back(exe);
  return path;
}

std::optional<fs::path> FindLibrary(std::string_view name, const std::vector<fs::path>& searchPath) {
  for (const auto& folder : searchPath) {
    std::error_code ec;
    fs::path candidate = folder / fs::path(name);
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

}  // namespace vuruzid::platform
