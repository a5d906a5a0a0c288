#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The user's own word file of one language (data/dat_u.txt, data/datr_u.txt):
// Windows-1251 text, one word a line, or the same words re-saved as UTF-8 by
// a text editor. It is read by the text-line rules and added to at its end;
// only taking words out rewrites it, and then every other byte stays, so bytes
// the reader does not take (anything after a NUL byte) are never dropped.
namespace vuruzid {

// No word file grows this large; a larger one is not read (nor rewritten).
inline constexpr std::uintmax_t kMaxUserWordFileBytes = std::uintmax_t(16) << 20;

// Why a word file that is there cannot be read at all.
enum class UserWordFileProblem {
  None,
  Folder,      // a folder stands where the file should be
  Unreadable,  // it cannot be opened or read (permissions, a file where its folder should be)
  TooLarge,    // larger than kMaxUserWordFileBytes
};

struct UserWordFileContents {
  // As the text-line rules read them, in Windows-1251. Of a UTF-8 file each
  // line is converted; a line holding a character the code page lacks is left out.
  std::vector<std::string> lines;
  // The file holds a NUL byte or starts with a UTF-16 byte-order mark: it is
  // not plain text, and what follows the first NUL is not read.
  bool holdsUnreadableBytes = false;
  bool utf16 = false;  // of those, a file that starts with a UTF-16 byte-order mark
  // What comes before any NUL byte is valid UTF-8 holding a Cyrillic letter
  // or starting with UTF-8's byte-order mark: a file an editor re-saved, whose
  // lines are read as UTF-8 and to which words are added in UTF-8.
  bool utf8 = false;
  bool byteOrderMark = false;  // of a UTF-8 file: it starts with the mark, which is not part of the first line
  bool lfLineEnds = false;     // of a UTF-8 file: its lines end in LF alone, as the words added then do
  size_t unusableLines = 0;    // of a UTF-8 file: lines left out for a character the code page lacks
  UserWordFileProblem problem = UserWordFileProblem::None;  // when set, nothing was read
  std::string problemDetail;  // the system's reason, for an unreadable file
};

// The file's lines; nothing when it is missing. A file that is there but
// cannot be read gives no lines and says why in `problem`.
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
// The same, written the way the file was read as `asRead`: before its first
// NUL byte when it holds one, and to a UTF-8 file in UTF-8 with its own line
// ends (LF alone when its lines end so).
bool AppendUserWords(const std::filesystem::path& path, const std::vector<std::string>& words,
                     const UserWordFileContents& asRead);

// Rewrites the file atomically without every line whose trimmed, upper-cased
// word (of a UTF-8 file, converted) is one of `words` (Windows-1251 capitals),
// keeping every other byte as it was: the other lines and their line ends,
// blank lines, a byte-order mark, everything from a NUL byte on. A missing
// file, or one without such a line, is left alone. False with the file as it
// was when it cannot be read (see UserWordFileProblem), is UTF-16 text, or
// cannot be written; `problem` then receives why, a phrase that follows the
// file's name ("is a folder, not a file").
bool RemoveUserWordLines(const std::filesystem::path& path, const std::vector<std::string>& words,
                         std::string* problem = nullptr);

// Why the file read as `contents` gave no words, as a phrase that follows the
// file's name; empty when it was read.
std::string DescribeUserWordFileProblem(const UserWordFileContents& contents);

// What the user is told, once, about a word file holding unreadable bytes;
// `name` is the file's name relative to the program folder.
std::string UnreadableUserWordFileMessage(std::string_view name, bool utf16);
// ... about a word file that cannot be read at all (`contents.problem` is set).
std::string UserWordFileProblemMessage(std::string_view name, const UserWordFileContents& contents);
// ... about a word file re-saved as UTF-8.
std::string Utf8UserWordFileMessage(std::string_view name);

}  // namespace vuruzid
