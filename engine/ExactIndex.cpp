#include "engine/ExactIndex.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vuruzid {

uint64_t ExactIndex::Hash(std::string_view word) {
  uint64_t hash = 0x9E3779B97F4A7C15ull ^ word.size();
  while (!word.empty()) {
    uint64_t chunk = 0;
    const size_t n = word.size() < 8 ? word.size() : 8;
    std::memcpy(&chunk, word.data(), n);
    word.remove_prefix(n);
    hash = (hash ^ chunk) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 29;
  }
  hash *= 0xC4CEB9FE1A85EC53ull;
  return hash ^ (hash >> 32);
}

ExactIndex::ExactIndex(uint32_t count, const char* text, size_t textBytes, const WordAt& wordAt) {
  if (count == 0 || count > kMostWords || textBytes > kMostTextBytes) return;
  // At most two thirds full, so a probe sequence stays short, and never full,
  // so every probe sequence ends at an empty slot.
  const size_t slots = std::bit_ceil(size_t(count) + count / 2 + 1);
  if (slots * sizeof(uint64_t) > kMostBytes) return;
  std::vector<uint64_t> table(slots, 0);
  const size_t mask = slots - 1;
  // Nearly every insertion misses the cache at its slot: hash a batch of words
  // first and ask for all their slots, so the misses overlap, then insert them
  // in order (the first of equal words must be the one kept).
  constexpr uint32_t kBatch = 16;
  std::string_view words[kBatch];
  uint64_t hashes[kBatch];
  std::string_view previous;
  for (uint32_t batchStart = 0; batchStart < count; batchStart += kBatch) {
    const uint32_t batch = std::min(kBatch, count - batchStart);
    for (uint32_t k = 0; k < batch; ++k) {
      words[k] = wordAt(batchStart + k);
      hashes[k] = Hash(words[k]);
      __builtin_prefetch(&table[hashes[k] & mask], 1);
    }
    for (uint32_t k = 0; k < batch; ++k) {
      const uint32_t position = batchStart + k;
      const std::string_view word = words[k];
      if (word.size() > kMostWordBytes) return;  // no slot can describe it: build nothing
      if (position > 0 && word == previous) continue;  // the first of equal words is the one found
      previous = word;
      const uint64_t hash = hashes[k];
      size_t slot = hash & mask;
      while (table[slot] != 0) slot = (slot + 1) & mask;
      const auto offset = static_cast<uint64_t>(word.data() - text);
      table[slot] = uint64_t(position + 1) << kPositionShift | uint64_t(word.size()) << 32 |
                    (hash >> 56) << kFingerprintShift | offset;
    }
  }
  slots_ = std::move(table);
  mask_ = mask;
  text_ = text;
}

}  // namespace vuruzid
