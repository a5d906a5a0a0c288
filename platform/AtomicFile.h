#pragma once

#include <filesystem>
#include <string_view>

namespace vuruzid::platform {

// Replaces the file at `path` with `content` so that readers see either the old
// file or the whole new one, never a half-written one: the bytes go to a
// temporary file in the same folder, are flushed to disk, and the temporary file
// is then renamed over the target. A target without its owner-write permission
// is treated as read-only and left alone.
// Returns false (and leaves any existing file untouched) on any failure.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view content);

}  // namespace vuruzid::platform
