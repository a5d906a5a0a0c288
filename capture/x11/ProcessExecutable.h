#pragma once

#include <filesystem>
#include <string>

namespace vuruzid::capture::x11 {

// The file name of a process's executable ("firefox-esr"): the target of
// /proc/<pid>/exe, or, where that may not be read (another user's process),
// the name the process gives itself in /proc/<pid>/comm. Empty for pid 0 and
// for a process that is not there. `proc` stands for /proc in tests.
std::string ExecutableOfProcess(unsigned long pid, const std::filesystem::path& proc = "/proc");

}  // namespace vuruzid::capture::x11
