#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace vuruzid {

// A hash table from a word to its position in a word list, for exact lookups
// that wait for memory three times (slot, offset, bytes) instead of once per
// level of a search. Open addressing with linear probing; each slot holds the
// position and an 8-bit fingerprint of the hash, so a probe seldom has to read
// a word that cannot match.
class ExactIndex {
 public:
  // Largest table built (bytes): a small list gets an index, a million-word
  // list stays within its memory target and relies on its sorted search.
  static constexpr size_t kMostBytes = size_t(2) << 20;
  static constexpr uint32_t kMostWords = (1u << 24) - 1;

  using WordAt = std::function<std::string_view(uint32_t)>;

  ExactIndex() = default;
  // Indexes words 0..count-1, which stand in byte order (equal words side by
  // side); the first of equal words is the one found. Builds nothing
  // (empty()) when the table would exceed kMostBytes.
  ExactIndex(uint32_t count, const WordAt& wordAt);

  bool empty() const { return slots_.empty(); }
  // The position of `word`, or nothing. Only meaningful when !empty().
  template <typename WordAtPosition>
  std::optional<uint32_t> Find(std::string_view word, const WordAtPosition& wordAt) const {
    const uint64_t hash = Hash(word);
    const uint32_t fingerprint = uint32_t(hash >> 56) << 24;
    for (size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const uint32_t entry = slots_[slot];
      if (entry == 0) return std::nullopt;
      if ((entry & 0xFF000000u) == fingerprint && wordAt((entry & 0x00FFFFFFu) - 1) == word)
        return (entry & 0x00FFFFFFu) - 1;
    }
  }

  static uint64_t Hash(std::string_view word);

 private:
  std::vector<uint32_t> slots_;  // 0 empty, else fingerprint << 24 | (position + 1)
  size_t mask_ = 0;
};

}  // namespace vuruzid
