#include "capture/x11/ProcessExecutable.h"

#include <fstream>
#include <string_view>
#include <system_error>

namespace vuruzid::capture::x11 {

std::string ExecutableOfProcess(unsigned long pid, const std::filesystem::path& proc) {
  if (pid == 0) return {};
  const std::filesystem::path process = proc / std::to_string(pid);
  std::error_code error;
  std::string name = std::filesystem::read_symlink(process / "exe", error).filename().string();
  // An executable replaced since it started (an upgrade) is shown so.
  constexpr std::string_view kReplaced = " (deleted)";
  if (!error && name.ends_with(kReplaced)) name.resize(name.size() - kReplaced.size());
  if (!error && !name.empty()) return name;
  name.clear();
  std::ifstream comm(process / "comm");
  std::getline(comm, name);
  return name;
}

}  // namespace vuruzid::capture::x11
