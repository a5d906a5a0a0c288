#include "tools/dictbuild/CyrillicText.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "engine/Cp1251.h"
#include "tools/dictbuild/Normalise.h"

namespace vuruzid::dictbuild {
namespace {

bool IsCyrillicLetter(char32_t c) { return (c >= U'А' && c <= U'я') || c == U'Ё' || c == U'ё'; }
bool IsBlank(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0; }
// After these a capital starts no sentence: the word is written capitalised for itself.
bool InsideSentence(char32_t c) {
  return c == ',' || c == ';' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         IsCyrillicLetter(c);
}

void CountWord(std::string_view utf8Word, bool insideSentence, TextCounts& into) {
  ++into.tokens;
  const auto cp1251Word = cp1251::FromUtf8(utf8Word);
  const auto spelled = cp1251Word ? NormaliseWord(*cp1251Word) : std::nullopt;
  if (!spelled) return;
  ++into.counts[*spelled];
  const uint8_t written = CaseOf(*cp1251Word);
  into.cases[*spelled] |= written == kSeenCapitalised && !insideSentence ? 0 : written;
}

bool IsMessageCatalogue(const std::filesystem::path& path) {
  const auto extension = path.extension();
  return extension == ".mo" || extension == ".po" || extension == ".gmo" || extension == ".pot";
}

bool CountFile(const std::filesystem::path& path, TextCounts& into) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return false;
  if (text.find('\0') == std::string::npos) CountCyrillicWords(text, into);
  return true;
}

}  // namespace

void CountCyrillicWords(std::string_view text, TextCounts& into) {
  char32_t previous = 0;  // the last character outside markup and blanks
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    const char32_t c = cp1251::DecodeUtf8(text, pos);
    if (c == '<' || c == '&') {
      const size_t end = text.find(c == '<' ? '>' : ';', pos);
      // A lone "&" or "<" in plain text is not markup: skip it alone.
      if (end != std::string_view::npos && (c == '<' || end - pos <= 10)) pos = end + 1;
      continue;
    }
    if (!IsCyrillicLetter(c)) {
      if (!IsBlank(c)) previous = c;
      continue;
    }
    size_t end = pos;
    for (size_t next = pos; next < text.size();) {
      char32_t letter = cp1251::DecodeUtf8(text, next);
      if (letter == '-' && next < text.size()) {
        size_t after = next;
        if (!IsCyrillicLetter(cp1251::DecodeUtf8(text, after))) break;
        letter = U'а';
      }
      if (!IsCyrillicLetter(letter)) break;
      end = next;
    }
    if (previous != '_') CountWord(text.substr(start, end - start), InsideSentence(previous), into);
    previous = U'я';
    pos = end;
  }
}

bool CountCyrillicWordsIn(const std::filesystem::path& fileOrFolder, TextCounts& into, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(fileOrFolder, ec)) {
    for (auto entry = std::filesystem::recursive_directory_iterator(fileOrFolder, ec);
         !ec && entry != std::filesystem::recursive_directory_iterator(); entry.increment(ec)) {
      if (!entry->is_regular_file() || IsMessageCatalogue(entry->path())) continue;
      if (!CountFile(entry->path(), into)) {
        *error = "cannot read " + entry->path().string();
        return false;
      }
    }
    if (!ec) return true;
  } else if (!IsMessageCatalogue(fileOrFolder) && CountFile(fileOrFolder, into)) {
    return true;
  }
  *error = "cannot read " + fileOrFolder.string();
  return false;
}

}  // namespace vuruzid::dictbuild
