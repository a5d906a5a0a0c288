#include "tools/dictbuild/Normalise.h"

#include <algorithm>
#include <cctype>

#include "engine/Cp1251.h"

namespace vuruzid::dictbuild {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// A morphological field as the affix tools write them: two lower-case letters and a colon.
bool StartsMorphologicalField(std::string_view text) {
  return text.size() >= 3 && std::islower(static_cast<unsigned char>(text[0])) &&
         std::islower(static_cast<unsigned char>(text[1])) && text[2] == ':';
}

}  // namespace

std::string_view WordOnLine(std::string_view line) {
  // Fields follow a tab, or a blank when they look like "xx:value"; a blank
  // anywhere else stays, so a line of two words is dropped later, not cut.
  if (const size_t tab = line.find('\t'); tab != std::string_view::npos) line = line.substr(0, tab);
  for (size_t blank = line.find(' '); blank != std::string_view::npos; blank = line.find(' ', blank + 1)) {
    const std::string_view rest = cp1251::Trim(line.substr(blank));
    if (StartsMorphologicalField(rest)) {
      line = line.substr(0, blank);
      break;
    }
  }
  line = cp1251::Trim(line);
  // A slash after the first byte separates the affix flags from the word.
  if (const size_t slash = line.find('/', 1); slash != std::string_view::npos) line = line.substr(0, slash);
  return line;
}

std::optional<std::string> NormaliseWord(std::string_view cp1251Word) {
  if (cp1251Word.empty() || cp1251Word.size() > kMaxWordBytes) return std::nullopt;
  std::string word = cp1251::DictionarySpelling(cp1251Word);
  for (char c : word)
    if (!cp1251::IsWordCharacter(static_cast<unsigned char>(c))) return std::nullopt;
  return word;
}

NormalisedWords NormaliseWordList(const std::vector<std::string>& lines, SourceEncoding encoding) {
  NormalisedWords result;
  auto& counts = result.counts;
  result.words.reserve(lines.size());
  for (const auto& line : lines) {
    ++counts.lines;
    std::string_view text = line;
    if (counts.lines == 1 && encoding == SourceEncoding::Utf8 && text.starts_with(kUtf8ByteOrderMark))
      text.remove_prefix(kUtf8ByteOrderMark.size());
    text = WordOnLine(text);
    if (text.empty()) {
      ++counts.empty;
      continue;
    }
    std::optional<std::string> converted;
    if (encoding == SourceEncoding::Utf8)
      converted = cp1251::FromUtf8(text);
    else
      converted = std::string(text);
    // A word too long to be read back whole is dropped, never cut.
    if (converted && converted->size() > kMaxWordBytes) {
      ++counts.tooLong;
      continue;
    }
    std::optional<std::string> word = converted ? NormaliseWord(*converted) : std::nullopt;
    if (!word) {
      ++counts.foreign;
      continue;
    }
    result.words.push_back(std::move(*word));
  }

  // std::string compares its bytes as unsigned values: exactly the library's byte order.
  std::sort(result.words.begin(), result.words.end());
  const auto firstDuplicate = std::unique(result.words.begin(), result.words.end());
  counts.duplicates = static_cast<size_t>(result.words.end() - firstDuplicate);
  result.words.erase(firstDuplicate, result.words.end());
  counts.words = result.words.size();
  return result;
}

std::vector<std::string> LibraryStrings(std::vector<std::string> words) {
  std::vector<std::string> strings;
  strings.reserve(words.size() + 1);
  strings.push_back(std::to_string(words.size()));
  for (auto& word : words) strings.push_back(std::move(word));
  return strings;
}

}  // namespace vuruzid::dictbuild
