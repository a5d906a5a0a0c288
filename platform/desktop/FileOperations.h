#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vuruzid::platform {

// Copies the folder `source` with everything in it into the folder `parent`.
// The copy keeps the source's name; when that name is taken it becomes
// "<name> (2)", "<name> (3)" and so on, so nothing already there is touched.
// Returns the new folder, or nothing with the reason in `error` (a partly made
// copy is removed again).
std::optional<std::filesystem::path> CopyFolderInto(const std::filesystem::path& source,
                                                    const std::filesystem::path& parent,
                                                    std::string& error);

enum class MoveOutcome { Moved, TargetExists, Failed };

// Moves the file `from` to `to` unless `to` already exists, which is never
// replaced (checked atomically where the file system allows). Works across
// file systems. On failure `error` holds the reason.
MoveOutcome MoveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                                 std::string& error);

}  // namespace vuruzid::platform
