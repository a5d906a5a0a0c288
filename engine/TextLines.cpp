#include "engine/TextLines.h"

#include <algorithm>

#include <exception>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/AtomicFile.h"

namespace vuruzid {

std::vector<std::string> SplitLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd) {
  std::string out;
  for (const auto& line : lines) {
    out += line;
    out += lineEnd;
  }
  return out;
}

std::optional<std::vector<std::string>> ReadTextLines(const std::filesystem::path& path) {
  // Only a regular file holds lines; a folder of that name opens but fails
  // (and throws) on the first read.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return SplitLines(text);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool WriteTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  return platform::ReplaceFileAtomically(path, JoinLinesCrLf(lines));
}

std::optional<int32_t> ParseWholeNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace vuruzid
