// Text lines: splitting and joining agree with each other, and a line never
// holds a line end or a NUL byte; the whole-number reader agrees with a
// second reading of its rule.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <optional>
#include <string_view>

#include "FuzzFolder.h"
#include "engine/TextLines.h"

using namespace vuruzid;

namespace {

// The same rule written another way: blanks, a sign, digits (leading zeros
// dropped), then the value by the standard library.
std::optional<int32_t> ReferenceWholeNumber(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  text.remove_prefix(std::min(text.find_first_not_of('0'), text.size() - 1));
  if (text.size() > 10) return std::nullopt;
  int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto lines = SplitLines(text);
  for (const auto& line : lines)
    VURUZID_FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);

  for (const std::string_view lineEnd : {"\r\n", "\n", "\r"}) {
    const std::string joined = JoinLines(lines, lineEnd);
    VURUZID_FUZZ_CHECK(SplitLines(joined) == lines);
  }
  // Nothing but the kind of line end changes: the text up to its first NUL,
  // every line end made CR LF and the last line ended, is the joined text.
  std::string expected;
  const std::string_view kept = text.substr(0, text.find('\0'));
  for (size_t i = 0; i < kept.size(); ++i) {
    if (kept[i] != '\r' && kept[i] != '\n') {
      expected += kept[i];
      continue;
    }
    expected += "\r\n";
    if (kept[i] == '\r' && i + 1 < kept.size() && kept[i + 1] == '\n') ++i;
  }
  if (!expected.empty() && !expected.ends_with("\r\n")) expected += "\r\n";
  VURUZID_FUZZ_CHECK(JoinLinesCrLf(lines) == expected);

  VURUZID_FUZZ_CHECK(ParseWholeNumber(text) == ReferenceWholeNumber(text));
  return 0;
}
