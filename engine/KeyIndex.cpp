#include "engine/KeyIndex.h"

#include <bit>
#include <cstdint>

namespace vuruzid {

KeyIndex::KeyIndex(size_t count, const std::function<Entry(size_t)>& entryAt, uint32_t endValue)
    : size_(count), endValue_(endValue) {
  if (size_ == 0) return;
  static_assert(kLineBytes % sizeof(Node) == 0);
  constexpr size_t kNodesPerLine = kLineBytes / sizeof(Node);
  // One spare line each side: the alignment, and the look-ahead past the last
  // level. Only nodes 1..size_ are ever read, and the walk below writes each.
  storage_ = std::make_unique_for_overwrite<Node[]>(size_ + 1 + 2 * kNodesPerLine);
  const auto address = (reinterpret_cast<uintptr_t>(storage_.get()) + kLineBytes - 1) & ~uintptr_t(kLineBytes - 1);
  tree_ = reinterpret_cast<Node*>(address);

  // An in-order walk of the implicit tree visits the ranks one after another;
  // the depth is below 64, so a fixed stack suffices.
  size_t stack[64];
  size_t depth = 0, node = 1, next = 0;
  while (depth > 0 || node <= size_) {
    if (node <= size_) {
      stack[depth++] = node;
      node = 2 * node;
    } else {
      node = stack[--depth];
      const Entry entry = entryAt(next);
      tree_[node] = {entry.key, static_cast<uint32_t>(next), entry.value};
      ++next;
      node = 2 * node + 1;
    }
  }
}

KeyIndex::Found KeyIndex::LowerBound(uint64_t key) const {
  constexpr size_t kNodesPerLine = kLineBytes / sizeof(Node);
  size_t k = 1;
  while (k <= size_) {
    // The line holding this node's grandchildren, if the tree goes that deep.
    if (k * kNodesPerLine <= size_) __builtin_prefetch(tree_ + k * kNodesPerLine);
    k = 2 * k + (tree_[k].key < key);
  }
  // The path went right after the answer; the trailing ones are those steps.
  k >>= std::countr_one(k) + 1;
  if (k == 0) return {size_, endValue_, false};
  return {tree_[k].rank, tree_[k].value, tree_[k].key == key};
}

}  // namespace vuruzid
