#include "engine/KeyIndex.h"

#include <bit>
#include <cstdint>

namespace vuruzid {
namespace {

constexpr size_t kKeysPerLine = 8;

// Fills the tree in order: an in-order walk of the implicit tree visits the
// sorted keys one after another.
void Fill(const std::vector<uint64_t>& sorted, size_t& next, size_t node, uint64_t* tree, std::vector<uint32_t>& rank) {
  // Iterative in-order walk; the depth is below 64, so a fixed stack suffices.
  size_t stack[64];
  size_t depth = 0;
  while (depth > 0 || node < rank.size()) {
    if (node < rank.size()) {
      stack[depth++] = node;
      node = 2 * node;
    } else {
      node = stack[--depth];
      tree[node] = sorted[next];
      rank[node] = static_cast<uint32_t>(next++);
      node = 2 * node + 1;
    }
  }
}

}  // namespace

KeyIndex::KeyIndex(const std::vector<uint64_t>& sortedKeys) : size_(sortedKeys.size()) {
  if (size_ == 0) return;
  // One spare line each side: the alignment, and the look-ahead past the last level.
  const size_t slots = size_ + 1 + 2 * kKeysPerLine;
  storage_ = std::make_unique<uint64_t[]>(slots);
  auto address = reinterpret_cast<uintptr_t>(storage_.get());
  address = (address + 63) & ~uintptr_t(63);
  tree_ = reinterpret_cast<uint64_t*>(address);
  rank_.assign(size_ + 1, 0);
  size_t next = 0;
  Fill(sortedKeys, next, 1, tree_, rank_);
}

size_t KeyIndex::CountBelow(uint64_t key) const {
  size_t k = 1;
  while (k <= size_) {
    // The line holding this node's great-grandchildren, if the tree goes that deep.
    if (k * kKeysPerLine <= size_) __builtin_prefetch(tree_ + k * kKeysPerLine);
    k = 2 * k + (tree_[k] < key);
  }
  // The path went right after the answer; the trailing ones are those steps.
  k >>= std::countr_one(k) + 1;
  return k == 0 ? size_ : rank_[k];
}

}  // namespace vuruzid
