#include "engine/ExactIndex.h"

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

ExactIndex::ExactIndex(uint32_t count, const WordAt& wordAt) {
  if (count == 0 || count > kMostWords) return;
  // At most two thirds full, so a probe sequence stays short, and never full,
  // so every probe sequence ends at an empty slot.
  const size_t slots = std::bit_ceil(size_t(count) + count / 2 + 1);
  if (slots * sizeof(uint32_t) > kMostBytes) return;
  slots_.assign(slots, 0);
  mask_ = slots - 1;
  std::string_view previous;
  for (uint32_t position = 0; position < count; ++position) {
    const std::string_view word = wordAt(position);
    if (position > 0 && word == previous) continue;  // the first of equal words is the one found
    previous = word;
    const uint64_t hash = Hash(word);
    size_t slot = hash & mask_;
    while (slots_[slot] != 0) slot = (slot + 1) & mask_;
    slots_[slot] = uint32_t(hash >> 56) << 24 | (position + 1);
  }
}

}  // namespace vuruzid
