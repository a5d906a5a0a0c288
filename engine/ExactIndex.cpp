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

ExactIndex::ExactIndex(uint32_t count, const char* text, size_t textBytes, const WordAt& wordAt) {
  if (count == 0 || count > kMostWords || textBytes > kMostTextBytes) return;
  // At most two thirds full, so a probe sequence stays short, and never full,
  // so every probe sequence ends at an empty slot.
  const size_t slots = std::bit_ceil(size_t(count) + count / 2 + 1);
  if (slots * sizeof(uint64_t) > kMostBytes) return;
  std::vector<uint64_t> table(slots, 0);
  const size_t mask = slots - 1;
  std::string_view previous;
  for (uint32_t position = 0; position < count; ++position) {
    const std::string_view word = wordAt(position);
    if (word.size() > kMostWordBytes) return;  // no slot can describe it: build nothing
    if (position > 0 && word == previous) continue;  // the first of equal words is the one found
    previous = word;
    const uint64_t hash = Hash(word);
    size_t slot = hash & mask;
    while (table[slot] != 0) slot = (slot + 1) & mask;
    const auto offset = static_cast<uint64_t>(word.data() - text);
    table[slot] = uint64_t(position + 1) << kPositionShift | uint64_t(word.size()) << 32 |
                  (hash >> 56) << kFingerprintShift | offset;
  }
  slots_ = std::move(table);
  mask_ = mask;
  text_ = text;
}

}  // namespace vuruzid
