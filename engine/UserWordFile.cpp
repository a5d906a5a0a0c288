#include "engine/UserWordFile.h"

#include "engine/TextLines.h"
#include "platform/AtomicFile.h"
#include "platform/FileAppend.h"
#include "platform/WholeFile.h"

namespace vuruzid {
namespace {

bool StartsWithUtf16Mark(std::string_view bytes) { return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"); }

}  // namespace

std::optional<UserWordFileContents> ReadUserWordFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const auto file = platform::WholeFile::Read(path);
  if (!file) {
    // An empty file holds no words; anything else that cannot be read is nothing.
    if (std::filesystem::file_size(path, ec) == 0 && !ec) return UserWordFileContents{};
    return std::nullopt;
  }
  const std::string_view bytes = file->Bytes();
  const bool utf16 = StartsWithUtf16Mark(bytes);
  return UserWordFileContents{.lines = SplitLines(bytes),
                              .holdsUnreadableBytes = utf16 || bytes.find('\0') != std::string_view::npos,
                              .utf16 = utf16};
}

bool AppendUserWords(const std::filesystem::path& path, const std::vector<std::string>& words, bool beforeFirstNul) {
  if (beforeFirstNul) {
    if (const auto file = platform::WholeFile::Read(path)) {
      const std::string_view bytes = file->Bytes();
      if (const size_t nul = bytes.find('\0'); nul != std::string_view::npos && !StartsWithUtf16Mark(bytes)) {
        std::string text(bytes.substr(0, nul));
        if (!text.empty() && text.back() != '\r' && text.back() != '\n') text += "\r\n";
        text += JoinLinesCrLf(words);
        text += bytes.substr(nul);
        return platform::ReplaceFileAtomically(path, text, platform::NewFileAccess::Private);
      }
    }
  }
  return platform::AppendTextLines(path, JoinLinesCrLf(words), platform::NewFileAccess::Private);
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

}  // namespace vuruzid
