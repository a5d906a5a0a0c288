#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The user's own word file of one language (data/dat_u.txt, data/datr_u.txt):
// Windows-1251 text, one word a line. It is read by the text-line rules and
// only ever added to, never rewritten from what was read, so bytes the reader
// does not take (anything after a NUL byte, a file saved as UTF-16) are never
// dropped by an add.
namespace vuruzid {

struct UserWordFileContents {
  std::vector<std::string> lines;  // as the text-line rules read them
  // The file holds a NUL byte or starts with a UTF-16 byte-order mark: it is
  // not Windows-1251 text, and what follows the first NUL is not read.
  bool holdsUnreadableBytes = false;
  bool utf16 = false;  // of those, a file that starts with a UTF-16 byte-order mark
};

// The file's lines; nothing when it is missing or cannot be read.
std::optional<UserWordFileContents> ReadUserWordFile(const std::filesystem::path& path);

// Appends the words, each ended by CR LF (and a CR LF first when the file's
// last line has no line end); creates a missing file private to the user
// (0600 less the umask). With `beforeFirstNul` (the file was read holding a
// NUL byte, and is no UTF-16 text) the words go just before its first NUL byte
// instead, where the next read sees them, every byte from the NUL on kept as
// it was; that file is replaced atomically. False on failure, with the file as
// it was.
bool AppendUserWords(const std::filesystem::path& path, const std::vector<std::string>& words,
                     bool beforeFirstNul = false);

// What the user is told, once, about a word file holding unreadable bytes;
// `name` is the file's name relative to the program folder.
std::string UnreadableUserWordFileMessage(std::string_view name, bool utf16);

}  // namespace vuruzid
