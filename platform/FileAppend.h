#pragma once

#include <filesystem>
#include <string_view>

#include "platform/AtomicFile.h"

namespace vuruzid::platform {

// Adds `text` to the end of the text file at `path` without rewriting what it
// holds: bytes the program cannot read stay exactly as they were. When the
// file is not empty and its last byte is neither CR nor LF, a CR LF is written
// first so the text starts a line of its own.
// - A missing file is created with the bits `access` asks for, less the
//   umask; a symbolic link is followed; the file keeps its mode; a file without its owner-write
//   permission is treated as read-only and left alone.
// - The bytes are flushed to disk before it returns.
// Returns false on any failure, with the file cut back to its old length.
bool AppendTextLines(const std::filesystem::path& path, std::string_view text,
                     NewFileAccess access = NewFileAccess::Private);

}  // namespace vuruzid::platform
