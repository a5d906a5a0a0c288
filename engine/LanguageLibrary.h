#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MappedFile.h"

namespace vuruzid {

// A language library: a read-only table of byte strings keyed by 32-bit ids.
// String 0 holds the word count as decimal text, strings 1..N the words.
//
// On disk (little-endian):
//   magic "QVLIB\r\n\x1a" (8 bytes), format version (uint32 = 1),
//   string count C (uint32), flags (uint32), C + 1 uint32 offsets into the
//   blob, the blob.
// String i is blob[offset[i], offset[i+1]). Flag bit 0 records, when the file
// is written, that strings 1..C-1 (as reads deliver them) stand in byte order,
// so opening a dictionary of a million words needs no pass over its words.
// The file is memory-mapped and its structure checked on open; a file that
// fails any check cannot be loaded.
class LanguageLibrary {
 public:
  // Longest string a read delivers; longer strings are cut, and a NUL byte
  // ends a string early.
  static constexpr size_t kMaxStringBytes = 254;

  // Maps and checks the library at `path`; nullptr when it is missing,
  // unreadable, truncated or damaged.
  static std::unique_ptr<LanguageLibrary> Open(const std::filesystem::path& path);

  LanguageLibrary(const LanguageLibrary&) = delete;
  LanguageLibrary& operator=(const LanguageLibrary&) = delete;

  uint32_t StringCount() const { return count_; }
  // True when strings 1..StringCount()-1 stand in (non-descending) byte order.
  bool WordsInByteOrder() const { return wordsInByteOrder_; }

  // String `id`, cut at its first NUL byte and at kMaxStringBytes; the empty
  // text for an id the table does not hold.
  std::string_view LoadString(uint32_t id) const {
    if (id >= count_) return {};
    const uint32_t begin = offsets_[id];
    size_t length = offsets_[id + 1] - begin;
    if (length > kMaxStringBytes) length = kMaxStringBytes;
    std::string_view s(blob_ + begin, length);
    if (mayHoldNul_) s = s.substr(0, s.find('\0'));
    return s;
  }

 private:
  LanguageLibrary() = default;

  std::unique_ptr<platform::MappedFile> file_;
  const uint32_t* offsets_ = nullptr;
  const char* blob_ = nullptr;
  uint32_t count_ = 0;
  bool mayHoldNul_ = false;
  bool wordsInByteOrder_ = false;
};

// Writes a language library holding `strings` (id 0 first) to `path`,
// replacing it atomically. Returns false on failure.
bool WriteLanguageLibrary(const std::filesystem::path& path, const std::vector<std::string>& strings);

}  // namespace vuruzid
