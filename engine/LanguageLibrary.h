#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ExactIndex.h"
#include "engine/KeyIndex.h"
#include "platform/WholeFile.h"

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
// so opening a dictionary of a million words compares none of them.
// The file is read into private memory and its structure checked once, on
// open; a file that fails any check cannot be loaded. What was checked cannot
// change afterwards, whatever happens to the file on disk. Opening builds no
// lookup index (see LibraryIndex): a library is also kept for a language not
// in use, so that a switch need not read it again.
class LanguageLibrary {
 public:
  // Longest string a read delivers; longer strings are cut, and a NUL byte
  // ends a string early.
  static constexpr size_t kMaxStringBytes = 254;

  // Reads and checks the library at `path`; nullptr when it is missing,
  // unreadable, truncated or damaged.
  static std::unique_ptr<LanguageLibrary> Open(const std::filesystem::path& path);

  LanguageLibrary(const LanguageLibrary&) = delete;
  LanguageLibrary& operator=(const LanguageLibrary&) = delete;

  uint32_t StringCount() const { return count_; }
  // True when strings 1..StringCount()-1 stand in (non-descending) byte order.
  bool WordsInByteOrder() const { return wordsInByteOrder_; }

  // The file's stamp when it was read (see LibraryCache).
  const platform::FileStamp& Stamp() const { return file_->Stamp(); }

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
  friend class LibraryIndex;  // reads the offset table and the text store in place
  LanguageLibrary() = default;

  uint32_t WordCount() const { return count_ > 0 ? count_ - 1 : 0; }
  std::string_view Word(uint32_t index) const { return LoadString(index + 1); }

  std::unique_ptr<platform::WholeFile> file_;
  const uint32_t* offsets_ = nullptr;
  const char* blob_ = nullptr;
  uint32_t count_ = 0;
  bool mayHoldNul_ = false;
  bool wordsInByteOrder_ = false;
};

// The lookup indexes of a library whose words stand in byte order: the first
// bytes of every 16th word, and for a small library a hash table of all its
// words. Only the language in use needs them (see WordList): building them
// costs milliseconds and megabytes that a start-up, or a library merely kept
// for a later switch, should not spend. The library must outlive the index.
class LibraryIndex {
 public:
  explicit LibraryIndex(const LanguageLibrary& library);
  LibraryIndex(const LibraryIndex&) = delete;
  LibraryIndex& operator=(const LibraryIndex&) = delete;

  // How many of the library's words sort before `word`, found through the
  // sampled first bytes (see WordsBefore in the .cpp).
  uint32_t WordsBefore(std::string_view word) const;
  // Whether the library is small enough to have its hash index; without it,
  // use WordsBefore.
  bool HasExactIndex() const { return !exactIndex_.empty(); }
  // The 0-based position among the words of the first word equal to `word`,
  // or nothing. Only meaningful when HasExactIndex().
  std::optional<uint32_t> FindWord(std::string_view word) const { return exactIndex_.Find(word); }
  // The memory the indexes hold.
  size_t Bytes() const { return sampleKeys_.Bytes() + exactIndex_.Bytes(); }

 private:
  const LanguageLibrary& library_;
  // The first eight bytes, as a big-endian number, of every kSampleStride-th
  // word: a compact table that narrows a search to a few neighbouring words.
  KeyIndex sampleKeys_;
  ExactIndex exactIndex_;
};

// Writes a language library holding `strings` (id 0 first) to `path`,
// replacing it atomically. Returns false on failure.
bool WriteLanguageLibrary(const std::filesystem::path& path, const std::vector<std::string>& strings);

}  // namespace vuruzid
