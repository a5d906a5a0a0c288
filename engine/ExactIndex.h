#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace vuruzid {

// A hash table from a word to its position in a word list, for exact lookups
// that wait for memory twice (slot, then the word's bytes) instead of once per
// level of a search. Open addressing with linear probing. Each 8-byte slot
// holds the word's position, length, an 8-bit fingerprint of the hash and
// where its bytes start in the list's text store, so a probe seldom reads a
// word that cannot match and never needs the list's offset table.
class ExactIndex {
 public:
  // Largest table built (bytes): a small list gets an index, a million-word
  // list stays within its memory target and relies on its sorted search.
  static constexpr size_t kMostBytes = size_t(4) << 20;
  static constexpr uint32_t kMostWords = (1u << 24) - 1;
  static constexpr size_t kMostTextBytes = size_t(1) << 24;
  static constexpr size_t kMostWordBytes = 255;

  using WordAt = std::function<std::string_view(uint32_t)>;

  ExactIndex() = default;
  // Indexes words 0..count-1, which stand in byte order (equal words side by
  // side) and lie within the text store `text` of `textBytes` bytes; the first
  // of equal words is the one found. Builds nothing (empty()) when the table
  // would exceed kMostBytes or a word or the store is too long for a slot.
  ExactIndex(uint32_t count, const char* text, size_t textBytes, const WordAt& wordAt);

  bool empty() const { return slots_.empty(); }
  // The memory the table holds.
  size_t Bytes() const { return slots_.size() * sizeof(uint64_t); }
  // The position of `word`, or nothing. Only meaningful when !empty().
  std::optional<uint32_t> Find(std::string_view word) const {
    if (word.size() > kMostWordBytes) return std::nullopt;
    const uint64_t hash = Hash(word);
    const uint64_t lengthAndFingerprint = uint64_t(word.size()) << 8 | hash >> 56;
    for (size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const uint64_t entry = slots_[slot];
      if (entry == 0) return std::nullopt;
      if ((entry >> kFingerprintShift & 0xFFFF) == lengthAndFingerprint &&
          std::memcmp(text_ + (entry & kOffsetMask), word.data(), word.size()) == 0)
        return uint32_t(entry >> kPositionShift) - 1;
    }
  }

  static uint64_t Hash(std::string_view word);

 private:
  // Bits 0-23 where the word starts in the text store, 24-31 the fingerprint,
  // 32-39 the length, 40-63 the position + 1 (0 marks an empty slot).
  static constexpr uint64_t kOffsetMask = (uint64_t(1) << 24) - 1;
  static constexpr int kFingerprintShift = 24;
  static constexpr int kPositionShift = 40;

  std::vector<uint64_t> slots_;
  size_t mask_ = 0;
  const char* text_ = nullptr;
};

}  // namespace vuruzid
