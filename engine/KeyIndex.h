#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace vuruzid {

// The first eight bytes of a word as a big-endian number, zero-padded. For
// any byte strings, a < b implies PrefixKey(a) <= PrefixKey(b), so
// PrefixKey(a) < PrefixKey(b) implies a < b: comparing keys first settles
// most comparisons with one integer compare.
inline uint64_t PrefixKey(std::string_view word) {
  uint64_t key = 0;
  const size_t n = word.size() < 8 ? word.size() : 8;
  for (size_t i = 0; i < n; ++i) key |= uint64_t(static_cast<unsigned char>(word[i])) << (56 - 8 * i);
  return key;
}

// A sorted table of 64-bit keys, each with a 32-bit value, searched in
// Eytzinger (breadth-first tree) order: the first levels share a few cache
// lines, and the lines of the levels below are fetched ahead while the current
// one is compared, so a search of 100,000 keys waits for memory about twice
// instead of a dozen times as a plain binary search does. The value comes
// with the node the search ends on, without another trip to memory.
class KeyIndex {
 public:
  struct Found {
    size_t countBelow;  // how many keys are below the searched key (std::lower_bound's position)
    uint32_t value;     // the value at that position (the past-the-end value when there is none)
    bool equal;         // the key at that position equals the searched key
  };

  struct Entry {
    uint64_t key;
    uint32_t value;
  };

  KeyIndex() = default;
  // Builds from `count` entries in ascending key order, which `entryAt(rank)`
  // gives for ranks 0, 1, 2, ... in turn, straight into the tree: no sorted
  // copy of them is made. `endValue` is the past-the-end value.
  KeyIndex(size_t count, const std::function<Entry(size_t)>& entryAt, uint32_t endValue);

  size_t size() const { return size_; }
  // The memory the table holds.
  size_t Bytes() const { return size_ == 0 ? 0 : (size_ + 1 + 2 * kLineBytes / sizeof(Node)) * sizeof(Node); }
  Found LowerBound(uint64_t key) const;
  // How many keys are at most `key` (the position of std::upper_bound).
  size_t CountAtMost(uint64_t key) const { return key == UINT64_MAX ? size_ : LowerBound(key + 1).countBelow; }

 private:
  static constexpr size_t kLineBytes = 64;
  struct Node {
    uint64_t key;
    uint32_t rank;  // position in sorted order
    uint32_t value;
  };
  // Node k (1-based) at tree_[k]; its children at 2k and 2k + 1. The storage
  // is aligned so that the four nodes 4k..4k+3 share a cache line.
  size_t size_ = 0;
  std::unique_ptr<Node[]> storage_;
  Node* tree_ = nullptr;
  uint32_t endValue_ = 0;
};

}  // namespace vuruzid
