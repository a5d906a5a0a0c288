#include "engine/UserWordFile.h"

#include <algorithm>
#include <memory>
#include <system_error>

#include "engine/Cp1251.h"
#include "engine/TextLines.h"
#include "platform/AtomicFile.h"
#include "platform/FileAppend.h"
#include "platform/WholeFile.h"

namespace vuruzid {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

bool StartsWithUtf16Mark(std::string_view bytes) { return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"); }

// The file's bytes, or why there are none to be had.
struct RawFile {
  bool missing = false;
  UserWordFileProblem problem = UserWordFileProblem::None;
  std::string detail;
  std::unique_ptr<platform::WholeFile> file;  // null for an empty file
  std::string_view Bytes() const { return file ? file->Bytes() : std::string_view(); }
};

RawFile ReadRawFile(const std::filesystem::path& path) {
  RawFile raw;
  const auto unreadable = [&raw](std::string detail) {
    raw.problem = UserWordFileProblem::Unreadable;
    raw.detail = std::move(detail);
    return std::move(raw);
  };
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec == std::errc::not_a_directory) return unreadable("a file stands where its folder should be");
  if (status.type() == std::filesystem::file_type::not_found) {
    raw.missing = true;
    return raw;
  }
  if (ec) return unreadable(ec.message());
  if (std::filesystem::is_directory(status)) {
    raw.problem = UserWordFileProblem::Folder;
    return raw;
  }
  // Opening anything else (a named pipe) could wait forever.
  if (!std::filesystem::is_regular_file(status)) return unreadable("it is not a regular file");
  // The size is known before reading, so a huge file costs no memory.
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return unreadable(ec.message());
  if (size > kMaxUserWordFileBytes) {
    raw.problem = UserWordFileProblem::TooLarge;
    return raw;
  }
  if (size == 0) return raw;
  raw.file = platform::WholeFile::Read(path);
  if (!raw.file) {
    if (std::filesystem::file_size(path, ec) == 0 && !ec) return raw;  // emptied meanwhile
    return unreadable("it cannot be opened for reading; check its permissions");
  }
  if (raw.file->Bytes().size() > kMaxUserWordFileBytes) {  // it grew meanwhile
    raw.file.reset();
    raw.problem = UserWordFileProblem::TooLarge;
  }
  return raw;
}

// How the readable part of a file (before any NUL byte) is written.
struct TextForm {
  bool utf8 = false;
  bool byteOrderMark = false;
  bool lfLineEnds = false;
};

// A file is taken for UTF-8 only when it is valid UTF-8 throughout and shows
// it: Windows-1251 text of Russian words is practically never valid UTF-8, and
// plain ASCII reads the same either way.
TextForm FormOf(std::string_view bytes) {
  const std::string_view readable = bytes.substr(0, bytes.find('\0'));
  const bool byteOrderMark = readable.starts_with(kUtf8Mark);
  bool cyrillic = false;
  for (size_t i = 0; i < readable.size();) {
    if (static_cast<unsigned char>(readable[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t at = i;
    const char32_t c = cp1251::DecodeUtf8(readable, i);
    if (c == 0xFFFD && readable.substr(at, i - at) != "\xEF\xBF\xBD") return {};  // malformed
    cyrillic = cyrillic || (c >= 0x400 && c <= 0x4FF);
  }
  if (!cyrillic && !byteOrderMark) return {};
  return {.utf8 = true,
          .byteOrderMark = byteOrderMark,
          .lfLineEnds = readable.find('\n') != std::string_view::npos && readable.find('\r') == std::string_view::npos};
}

// Whether text put after `before` needs a line end first: `before` ends a
// line of its own, unless it is nothing or a byte-order mark alone.
bool NeedsLineEndAfter(std::string_view before) {
  return !before.empty() && before != kUtf8Mark && before.back() != '\r' && before.back() != '\n';
}

// `text` (lines, each ended) written into the file at its first NUL byte when
// `beforeFirstNul`, else at its end; a line end goes first when the text
// before it needs one. Appending keeps the file in place; the other cases
// replace it atomically.
bool InsertLines(const std::filesystem::path& path, std::string_view text, std::string_view lineEnd,
                 bool beforeFirstNul) {
  // Only a plain append of CR LF lines to what may end a line needs no look at the file.
  std::error_code ec;
  if (!beforeFirstNul && lineEnd == kCrLf && std::filesystem::file_size(path, ec) != kUtf8Mark.size())
    return platform::AppendTextLines(path, text, platform::NewFileAccess::Private);
  const RawFile raw = ReadRawFile(path);
  const std::string_view bytes = raw.Bytes();
  const size_t nul = bytes.find('\0');
  size_t at = std::string_view::npos;
  if (beforeFirstNul && nul != std::string_view::npos && !StartsWithUtf16Mark(bytes))
    at = nul;
  else if ((lineEnd != kCrLf && NeedsLineEndAfter(bytes)) || bytes == kUtf8Mark)
    at = bytes.size();  // appending would put a CR LF first
  if (at != std::string_view::npos) {
    std::string content(bytes.substr(0, at));
    if (NeedsLineEndAfter(content)) content += lineEnd;
    content += text;
    content += bytes.substr(at);
    return platform::ReplaceFileAtomically(path, content, platform::NewFileAccess::Private);
  }
  return platform::AppendTextLines(path, text, platform::NewFileAccess::Private);
}

// The word a line holds as the word list takes it; nothing for a line of a
// UTF-8 file with a character the code page lacks.
std::optional<std::string> WordOfLine(std::string_view line, bool utf8) {
  if (!utf8) return cp1251::ToUpper(cp1251::Trim(line));
  const auto converted = cp1251::FromUtf8(line);
  if (!converted) return std::nullopt;
  return cp1251::ToUpper(cp1251::Trim(*converted));
}

std::string DescribeProblem(UserWordFileProblem problem, std::string_view detail) {
  switch (problem) {
    case UserWordFileProblem::None:
      break;
    case UserWordFileProblem::Folder:
      return "is a folder, not a file";
    case UserWordFileProblem::Unreadable:
      return "cannot be read (" + std::string(detail) + ")";
    case UserWordFileProblem::TooLarge:
      return "is larger than " + std::to_string(kMaxUserWordFileBytes >> 20) + " MiB, too large for a word file";
  }
  return {};
}

constexpr std::string_view kUtf16Problem = "is saved as UTF-16 text, which the program cannot read";

}  // namespace

std::optional<UserWordFileContents> ReadUserWordFile(const std::filesystem::path& path) {
  const RawFile raw = ReadRawFile(path);
  if (raw.missing) return std::nullopt;
  if (raw.problem != UserWordFileProblem::None)
    return UserWordFileContents{.problem = raw.problem, .problemDetail = raw.detail};
  const std::string_view bytes = raw.Bytes();
  const bool utf16 = StartsWithUtf16Mark(bytes);
  UserWordFileContents contents;
  contents.holdsUnreadableBytes = utf16 || bytes.find('\0') != std::string_view::npos;
  contents.utf16 = utf16;
  const TextForm form = FormOf(bytes);
  if (!form.utf8) {
    contents.lines = SplitLines(bytes);
    return contents;
  }
  contents.utf8 = true;
  contents.byteOrderMark = form.byteOrderMark;
  contents.lfLineEnds = form.lfLineEnds;
  for (const auto& line : SplitLines(bytes.substr(form.byteOrderMark ? kUtf8Mark.size() : 0))) {
    if (auto converted = cp1251::FromUtf8(line))
      contents.lines.push_back(std::move(*converted));
    else
      ++contents.unusableLines;
  }
  return contents;
}

bool AppendUserWords(const std::filesystem::path& path, const std::vector<std::string>& words, bool beforeFirstNul) {
  return InsertLines(path, JoinLinesCrLf(words), kCrLf, beforeFirstNul);
}

bool AppendUserWords(const std::filesystem::path& path, const std::vector<std::string>& words,
                     const UserWordFileContents& asRead) {
  const bool beforeFirstNul = asRead.holdsUnreadableBytes && !asRead.utf16;
  if (!asRead.utf8) return AppendUserWords(path, words, beforeFirstNul);
  std::vector<std::string> encoded;
  encoded.reserve(words.size());
  for (const auto& word : words) encoded.push_back(cp1251::ToUtf8(word));
  const std::string_view lineEnd = asRead.lfLineEnds ? "\n" : kCrLf;
  return InsertLines(path, JoinLines(encoded, lineEnd), lineEnd, beforeFirstNul);
}

bool RemoveUserWordLines(const std::filesystem::path& path, const std::vector<std::string>& words,
                         std::string* problem) {
  const auto fail = [problem](std::string why) {
    if (problem) *problem = std::move(why);
    return false;
  };
  const RawFile raw = ReadRawFile(path);
  if (raw.missing) return true;
  if (raw.problem != UserWordFileProblem::None) return fail(DescribeProblem(raw.problem, raw.detail));
  const std::string_view bytes = raw.Bytes();
  if (StartsWithUtf16Mark(bytes)) return fail(std::string(kUtf16Problem));

  std::vector<std::string> unwanted;
  for (const auto& word : words)
    if (std::string spelling = cp1251::ToUpper(cp1251::Trim(word)); !spelling.empty())
      unwanted.push_back(std::move(spelling));
  std::sort(unwanted.begin(), unwanted.end());

  // The lines as SplitLines cuts them, each taken with its own line end.
  const TextForm form = FormOf(bytes);
  const std::string_view readable = bytes.substr(0, bytes.find('\0'));
  size_t start = form.byteOrderMark ? kUtf8Mark.size() : 0;
  std::string kept(bytes.substr(0, start));
  kept.reserve(bytes.size());
  bool removed = false;
  while (start < readable.size()) {
    const size_t end = std::min(readable.find_first_of("\r\n", start), readable.size());
    size_t next = end < readable.size() ? end + 1 : end;
    if (end < readable.size() && readable[end] == '\r' && next < readable.size() && readable[next] == '\n') ++next;
    const auto word = WordOfLine(readable.substr(start, end - start), form.utf8);
    if (word && std::binary_search(unwanted.begin(), unwanted.end(), *word))
      removed = true;
    else
      kept += readable.substr(start, next - start);
    start = next;
  }
  if (!removed) return true;
  kept += bytes.substr(readable.size());
  if (!platform::ReplaceFileAtomically(path, kept, platform::NewFileAccess::Private))
    return fail("cannot be written (its folder may be read-only or full)");
  return true;
}

std::string DescribeUserWordFileProblem(const UserWordFileContents& contents) {
  if (contents.utf16) return std::string(kUtf16Problem);
  return DescribeProblem(contents.problem, contents.problemDetail);
}

std::string UnreadableUserWordFileMessage(std::string_view name, bool utf16) {
  if (utf16)
    return std::string(name) +
           " is saved as UTF-16 text, which the program cannot read, so its words are not used. The file is left "
           "as it is: the words you add are written at its end, and are used again once the file is saved as "
           "plain (Windows-1251) text.";
  return std::string(name) +
         " holds a NUL byte, which ends what the program can read: the words after it are not used. Nothing in "
         "the file is removed; the words you add are written just before that byte.";
}

std::string UserWordFileProblemMessage(std::string_view name, const UserWordFileContents& contents) {
  return std::string(name) + " " + DescribeProblem(contents.problem, contents.problemDetail) +
         ", so the words in it are not used. Nothing in it is removed.";
}

std::string Utf8UserWordFileMessage(std::string_view name) {
  return std::string(name) +
         " was saved as UTF-8 text; its words are read as such, and the words you add are written in UTF-8 too.";
}

}  // namespace vuruzid
