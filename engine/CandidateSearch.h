#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/ErrorModel.h"
#include "engine/WordList.h"

namespace vuruzid {

// An entry of the word list and what it costs to explain the typed word as it.
struct FoundWord {
  size_t index = 0;
  double cost = 0;
};

// Every entry of `list` (which must be in byte order) that `model` explains
// `typed` as for at most `bound` (ErrorModel::Cost), each once, in list order.
// The list is walked as the trie its sorted words form: one row of costs per
// letter of a prefix, against every prefix of the typed word, and every word
// under a prefix whose last rows all exceed the bound is skipped with one
// search. So a word many cheap confusions away (МАЛАКО for МОЛОКО) is found
// as readily as one a single plain edit away, and a costly plain edit does
// not widen the search.
std::vector<FoundWord> WordsWithinCost(std::string_view typed, const WordList& list, const ErrorModel& model,
                                       double bound);

}  // namespace vuruzid
