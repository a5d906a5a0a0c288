#include "engine/UserWordFile.h"

#include "engine/TextLines.h"
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
  return UserWordFileContents{
      .lines = SplitLines(bytes),
      .holdsUnreadableBytes = bytes.find('\0') != std::string_view::npos || StartsWithUtf16Mark(bytes)};
}

bool AppendUserWords(const std::filesystem::path& path, const std::vector<std::string>& words) {
  return platform::AppendTextLines(path, JoinLinesCrLf(words));
}

std::string UnreadableUserWordFileMessage(std::string_view name) {
  return std::string(name) +
         " holds bytes that are not plain Windows-1251 text (a NUL byte, or text saved as UTF-16). Only the words "
         "before them are used. The file is left as it is; the words you add are written at its end.";
}

}  // namespace vuruzid
