#pragma once

#include <functional>
#include <string>
#include <vector>

#include "TestSets.h"
#include "engine/CandidateSearch.h"
#include "engine/Corrector.h"
#include "engine/WordFrequencies.h"

namespace vuruzid::bench {

// A misspelt word with every candidate the corrector weighs for it, found
// once, so that weights can be tried without searching the list again.
struct WeighedWord {
  std::string typed;
  std::vector<std::string> candidates;  // in list order, as the corrector sees them
  std::vector<double> wordCosts;        // -ln P(candidate); 0 without frequencies
  std::vector<bool> names;              // seen only capitalised, while the word was typed in lower case
  int intended = -1;                    // its index in candidates; -1 when out of reach
};

// The candidates are those `searchModel` finds within its reach, as the corrector finds them.
std::vector<WeighedWord> WeighWords(const std::vector<TestWord>& words, const WordList& list,
                                    const WordFrequencies& frequencies, const ErrorModel& searchModel);

struct Hits {
  double top1 = 0, top5 = 0;  // shares of the words
};
// How often the intended word ranks first and in the first five under
// `weights`, ranked exactly as Corrector::Rank ranks (ties in list order).
Hits Score(const std::vector<WeighedWord>& words, KeyLayout layout, const CorrectionWeights& weights);

// Coordinate descent over the weights on a grid of values, the cost of any
// other letter for a letter held as the unit: each field in turn takes
// the value that most raises the mean top-1 over `sets` (top-5 breaks ties),
// until a whole round changes nothing. `tuneLambda` is false without frequencies.
CorrectionWeights SearchWeights(const std::vector<std::vector<WeighedWord>>& sets, KeyLayout layout,
                                CorrectionWeights start, bool tuneLambda,
                                const std::function<void(const std::string&)>& progress);

std::string WeightsText(const CorrectionWeights& weights);

}  // namespace vuruzid::bench
