#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace vuruzid {

// The first eight bytes of a word as a big-endian number, zero-padded. For
// words without NUL bytes, a < b implies PrefixKey(a) <= PrefixKey(b), and
// PrefixKey(a) < PrefixKey(b) implies a < b: comparing keys first settles
// most comparisons with one integer compare.
inline uint64_t PrefixKey(std::string_view word) {
  uint64_t key = 0;
  const size_t n = word.size() < 8 ? word.size() : 8;
  for (size_t i = 0; i < n; ++i) key |= uint64_t(static_cast<unsigned char>(word[i])) << (56 - 8 * i);
  return key;
}

// A sorted table of 64-bit keys searched in Eytzinger (breadth-first tree)
// order: the first levels share a few cache lines, and the lines of the
// levels below are fetched ahead while the current one is compared, so a
// search of 100,000 keys waits for memory about twice instead of a dozen
// times as a plain binary search does.
class KeyIndex {
 public:
  KeyIndex() = default;
  explicit KeyIndex(const std::vector<uint64_t>& sortedKeys);

  size_t size() const { return size_; }
  // How many keys are below `key` (the position of std::lower_bound).
  size_t CountBelow(uint64_t key) const;
  // How many keys are at most `key` (the position of std::upper_bound).
  size_t CountAtMost(uint64_t key) const { return key == UINT64_MAX ? size_ : CountBelow(key + 1); }

 private:
  // Tree node k (1-based) at tree_[k]; its children at 2k and 2k + 1. The
  // storage is aligned so that the eight nodes 8k..8k+7 share a cache line.
  size_t size_ = 0;
  std::unique_ptr<uint64_t[]> storage_;
  uint64_t* tree_ = nullptr;
  std::vector<uint32_t> rank_;  // tree node -> position in sorted order
};

}  // namespace vuruzid
