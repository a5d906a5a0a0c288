// The code-page conversions: Windows-1251 text survives a trip through UTF-8
// (but for the one byte the page leaves unassigned), UTF-8 that converts
// comes back unchanged, and upper-casing and trimming keep their promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "engine/Cp1251.h"

using namespace vuruzid;

namespace {
constexpr unsigned char kUnassigned = 0x98;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // As Windows-1251 text.
  const std::string utf8 = cp1251::ToUtf8(text);
  const auto back = cp1251::FromUtf8(utf8);
  if (text.find(static_cast<char>(kUnassigned)) == std::string_view::npos) {
    VURUZID_FUZZ_CHECK(back && *back == text);
  } else {
    VURUZID_FUZZ_CHECK(!back);
  }
  const std::string upper = cp1251::ToUpper(text);
  VURUZID_FUZZ_CHECK(upper.size() == text.size() && cp1251::ToUpper(upper) == upper);
  const std::string spelled = cp1251::DictionarySpelling(text);
  VURUZID_FUZZ_CHECK(cp1251::DictionarySpelling(spelled) == spelled);
  const std::string_view trimmed = cp1251::Trim(text);
  VURUZID_FUZZ_CHECK(trimmed.size() <= text.size() && text.find(trimmed) != std::string_view::npos);
  VURUZID_FUZZ_CHECK(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) > 32 &&
                                         static_cast<unsigned char>(trimmed.back()) > 32));
  VURUZID_FUZZ_CHECK(cp1251::GreaterThanSpace(text) == (std::string(text) > " "));

  // As UTF-8 text.
  char32_t firstUnmappable = 0;
  if (const auto converted = cp1251::FromUtf8(text, &firstUnmappable)) {
    VURUZID_FUZZ_CHECK(cp1251::ToUtf8(*converted) == text);
  }
  return 0;
}
