#include "MessageOriginals.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vuruzid::bench {

std::optional<std::string> CatalogueOriginals(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto u32 = [&](size_t at) -> std::optional<uint32_t> {
    if (at + 4 > data.size()) return std::nullopt;
    uint32_t v;
    std::memcpy(&v, data.data() + at, 4);
    return v;
  };
  if (u32(0) != 0x950412deu) return std::nullopt;  // little-endian catalogues only
  const auto count = u32(8), originals = u32(12);
  if (!count || !originals) return std::nullopt;

  std::string text;
  for (uint32_t i = 0; i < *count; ++i) {
    const auto length = u32(*originals + 8 * i), offset = u32(*originals + 8 * i + 4);
    if (!length || !offset || uint64_t(*offset) + *length > data.size()) return std::nullopt;
    std::string original = data.substr(*offset, *length);
    // A context ("menu\4Open") is not text anyone reads.
    if (const size_t context = original.find('\4'); context != std::string::npos) original.erase(0, context + 1);
    for (char& c : original)
      if (c == '\0') c = '\n';  // plural forms
    text += original;
    text += '\n';
  }
  return text;
}

}  // namespace vuruzid::bench
