#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/LanguageLibrary.h"

namespace vuruzid {

// The dictionary of the current language: upper-case words addressed by a
// 0-based index, normally in ascending byte order without duplicates.
//
// While the list is in byte order (the normal case) it is kept as a view of
// the language library (shared, read and checked once per run) plus a sorted
// side list of the words inserted since, so loading costs no copying and
// every lookup is a search through the library's indexes. The list builds
// those at the first lookup that needs them and drops them with the library,
// so only the language in use holds any, and a start-up builds none before
// its window shows. A library that delivers its words out of order switches
// the list to a plain vector on which every lookup is the literal linear scan,
// so results stay exactly what the scans give. A list is used from one thread
// at a time, lookups included.
class WordList {
 public:
  enum class Insertion { Ignored, Duplicate, Inserted };

  size_t size() const { return literal_ ? literalWords_.size() : baseCount_ + extras_.size(); }
  bool empty() const { return size() == 0; }
  std::string_view operator[](size_t index) const;
  std::string_view back() const { return (*this)[size() - 1]; }
  // Copies entries first, first + 1, ... into `out`, one per element; they
  // must exist. Cheaper than indexing each: neighbours are found in one walk.
  void CopyWords(size_t first, std::span<std::string> out) const;

  void clear();

  // Appends strings 1..count of the library in id order, unchanged.
  void AppendLibrary(std::shared_ptr<const LanguageLibrary> library, uint32_t count);
  // Appends one word at the end, unchanged.
  void Append(std::string_view word);

  // True while the list is known to be in (non-descending) byte order.
  bool InByteOrder() const { return !literal_; }

  // Builds the library's lookup indexes now rather than at the first lookup
  // (for a caller with time to spare, such as once the window shows).
  void PrepareLookups() const;
  // The memory those indexes hold: none until a lookup has needed them.
  size_t IndexBytes() const { return index_ ? index_->Bytes() : 0; }

  // Index of the first entry equal to `word`.
  std::optional<size_t> FindExact(std::string_view word) const;
  // Whether an entry equals `word`: FindExact without working out where.
  bool Contains(std::string_view word) const;
  // Index of the first entry that is greater than or equal to `word`; the
  // last index when every entry sorts before it; 0 for an empty word or list.
  size_t LowerBound(std::string_view word) const;

  // The words of the language library the list views, without those inserted
  // since: side tables such as the word frequencies are made for them and
  // addressed by their positions. None while the list is a plain vector.
  size_t LibraryWordCount() const { return literal_ ? 0 : baseCount_; }
  std::string_view LibraryWord(size_t libraryPosition) const { return Base(libraryPosition); }
  // Where `word` stands among the library's words; nothing when the library
  // lacks it (an inserted word, or no library).
  std::optional<size_t> LibraryPositionOf(std::string_view word) const;
  // The library position of list entry `index`; nothing for an inserted word.
  std::optional<size_t> LibraryPositionAt(size_t index) const;

  // Puts `word`, upper-cased and trimmed, at its place in byte order unless it
  // is blank or already present. Into an empty list it is appended.
  Insertion InsertWord(std::string_view word);
  // The same as InsertWord on each text in turn, with the same resulting list,
  // at O(n log n) cost for a list in byte order. Returns how many were inserted.
  size_t InsertWords(const std::vector<std::string>& texts);

 private:
  // An inserted word and the number of library words that sort before it.
  struct Extra {
    std::string word;
    size_t baseRank;
  };

  std::string_view Base(size_t index) const { return library_->LoadString(static_cast<uint32_t>(index + 1)); }
  size_t BaseLowerBound(std::string_view word) const;
  size_t ExtrasLowerBound(std::string_view word) const;
  size_t FirstNotBefore(std::string_view word) const;  // size() when none
  size_t ExtrasBeforePosition(size_t index) const;
  void MakeLiteral();

  const LibraryIndex& Index() const { return index_ ? *index_ : BuildIndex(); }
  const LibraryIndex& BuildIndex() const;

  std::shared_ptr<const LanguageLibrary> library_;
  mutable std::shared_ptr<const LibraryIndex> index_;  // of library_, once a lookup has needed it
  size_t baseCount_ = 0;
  std::vector<Extra> extras_;        // sorted by word
  std::vector<uint64_t> extraKeys_;  // PrefixKey of each extra, searched first
  std::vector<size_t> extraPositions_;  // where each extra stands in the list: baseRank + its index
  // For each bucket of 2^kBucketShift list positions, how many extras stand
  // before its start: indexing the list searches one bucket's extras only.
  static constexpr int kBucketShift = 8;
  std::vector<size_t> extrasBeforeBucket_;
  void CountExtrasPerBucket();

  bool literal_ = false;
  std::vector<std::string> literalWords_;
};

}  // namespace vuruzid
