#include "MessageCatalogue.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vuruzid::bench {
namespace {

enum class Side { Originals, Translations };

// One side of a catalogue's messages, one after another, each ended by a line
// end; plural forms (NUL-separated) on lines of their own.
std::optional<std::string> CatalogueMessages(const std::filesystem::path& path, Side side) {
  std::ifstream in(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto u32 = [&](size_t at) -> std::optional<uint32_t> {
    if (at + 4 > data.size()) return std::nullopt;
    uint32_t v;
    std::memcpy(&v, data.data() + at, 4);
    return v;
  };
  if (u32(0) != 0x950412deu) return std::nullopt;  // little-endian catalogues only
  const auto count = u32(8), originals = u32(12), translations = u32(16);
  const auto table = side == Side::Originals ? originals : translations;
  if (!count || !originals || !table) return std::nullopt;

  std::string text;
  for (uint32_t i = 0; i < *count; ++i) {
    const auto originalLength = u32(*originals + 8 * i);
    const auto length = u32(*table + 8 * i), offset = u32(*table + 8 * i + 4);
    if (!originalLength || !length || !offset || uint64_t(*offset) + *length > data.size()) return std::nullopt;
    std::string message = data.substr(*offset, *length);
    if (side == Side::Translations && *originalLength == 0) continue;  // the catalogue's own header
    // A context ("menu\4Open") is not text anyone reads.
    if (const size_t context = message.find('\4'); side == Side::Originals && context != std::string::npos)
      message.erase(0, context + 1);
    for (char& c : message)
      if (c == '\0') c = '\n';
    text += message;
    text += '\n';
  }
  return text;
}

}  // namespace

std::optional<std::string> CatalogueTranslations(const std::filesystem::path& path) {
  return CatalogueMessages(path, Side::Translations);
}

std::optional<std::string> CatalogueOriginals(const std::filesystem::path& path) {
  return CatalogueMessages(path, Side::Originals);
}

}  // namespace vuruzid::bench
