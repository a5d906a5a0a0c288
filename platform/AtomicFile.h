#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

namespace vuruzid::platform {

// The permission bits a save asks for when it creates a file; the umask (or
// the folder's default ACL) takes from them as from any file a program
// creates. A file that exists keeps its own bits whatever is asked.
enum class NewFileAccess {
  Private,  // 0600: the user's own settings and words
  Shared,   // 0644: what other users may read, such as dictionaries and desktop entries
};

// Replaces the file at `path` with `content` so that readers see either the old
// file or the whole new one, never a half-written one: the bytes go to a
// temporary file in the same folder, are flushed to disk, the temporary file is
// renamed over the target, and the folder is flushed so the rename itself
// survives a power cut.
// - An existing file keeps its permission bits (a private 0600 file stays
//   private); a new file gets those `access` asks for, less the umask.
// - A symbolic link is followed: its final target is replaced and the link
//   stays a link.
// - A target without its owner-write permission is treated as read-only and
//   left alone.
// Returns false on any failure: before the rename the existing file is left
// untouched; when only the folder flush after it fails, the new file is in
// place but may not survive a power cut, and that is reported too.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view content,
                           NewFileAccess access = NewFileAccess::Private);

// The bits `access` asks for, before the umask.
constexpr unsigned NewFileBits(NewFileAccess access) { return access == NewFileAccess::Private ? 0600 : 0644; }

// True when `name` has the form of the temporary files ReplaceFileAtomically
// creates next to a target called `target`: ".<target>.saving-XXXXXX", six
// letters or digits at the end.
bool IsTemporaryNameFor(std::string_view name, std::string_view target);

// Removes the temporary files a save that was killed mid-write left in `folder`:
// regular files named like ReplaceFileAtomically's temporaries whose target
// file exists beside them and that were last written at least `minimumAge`
// ago (a live save finishes within milliseconds). Anything else is kept.
// Returns how many files were removed; a folder that cannot be read removes none.
int RemoveStaleTemporaries(const std::filesystem::path& folder,
                           std::chrono::seconds minimumAge = std::chrono::minutes(1));

}  // namespace vuruzid::platform
