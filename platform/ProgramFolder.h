#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace vuruzid::platform {

// The folder that holds the running executable.
std::filesystem::path ExecutableFolder();

// The process's current directory, of any length; empty if it cannot be read.
std::filesystem::path CurrentFolder();

// Where a library named by its bare file name is looked for, in order:
// the current directory, then the executable's folder.
std::vector<std::filesystem::path> LibrarySearchPath();

// The first folder of `searchPath` holding a regular file called `name`.
std::optional<std::filesystem::path> FindLibrary(std::string_view name,
                                                 const std::vector<std::filesystem::path>& searchPath);

}  // namespace vuruzid::platform
