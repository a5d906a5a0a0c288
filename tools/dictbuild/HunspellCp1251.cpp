#include "tools/dictbuild/HunspellCp1251.h"

#include <string_view>

#include "engine/Cp1251.h"

namespace vuruzid::dictbuild {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string_view WithoutByteOrderMark(std::string_view line) {
  if (line.starts_with(kUtf8ByteOrderMark)) line.remove_prefix(kUtf8ByteOrderMark.size());
  return line;
}

// The value of a "SET <encoding>" line, or an empty view for any other line.
std::string_view SetLineValue(std::string_view line) {
  if (!line.starts_with("SET") || line.size() < 4 || (line[3] != ' ' && line[3] != '\t')) return {};
  return cp1251::Trim(line.substr(4));
}

bool IsUtf8Name(std::string_view name) { return name == "UTF-8" || name == "utf-8" || name == "UTF8"; }

}  // namespace

AffixConversion AffixFileToCp1251(const std::vector<std::string>& lines) {
  AffixConversion result;
  bool sawSet = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = i == 0 ? WithoutByteOrderMark(lines[i]) : std::string_view(lines[i]);
    if (const std::string_view encoding = SetLineValue(line); !encoding.empty()) {
      if (!IsUtf8Name(encoding)) {
        result.error = "the affix file declares SET " + std::string(encoding) + ", not UTF-8";
        result.lines.clear();
        return result;
      }
      result.lines.emplace_back("SET CP1251");
      sawSet = true;
      continue;
    }
    auto recoded = cp1251::FromUtf8(line);
    if (!recoded) {
      result.error = "line " + std::to_string(i + 1) + " of the affix file has a character Windows-1251 lacks";
      result.lines.clear();
      return result;
    }
    result.lines.push_back(std::move(*recoded));
  }
  if (!sawSet) {
    result.error = "the affix file has no SET line, so its encoding is unknown";
    result.lines.clear();
  }
  return result;
}

DictionaryConversion DictionaryFileToCp1251(const std::vector<std::string>& lines) {
  DictionaryConversion result;
  result.lines.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = i == 0 ? WithoutByteOrderMark(lines[i]) : std::string_view(lines[i]);
    if (auto recoded = cp1251::FromUtf8(line))
      result.lines.push_back(std::move(*recoded));
    else
      ++result.dropped;
  }
  return result;
}
}  // namespace vuruzid::dictbuild
