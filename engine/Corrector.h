#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ErrorModel.h"
#include "engine/KeyMap.h"
#include "engine/LetterCase.h"
#include "engine/WordFrequencies.h"
#include "engine/WordList.h"

namespace vuruzid {

// Restricted Damerau-Levenshtein distance: insertions, deletions,
// substitutions, and swaps of two neighbouring letters each count as one edit.
int EditDistance(std::string_view a, std::string_view b);

// Ranks a finished wrong word's candidates. Immutable once built, so one
// corrector serves any thread; its frequencies are read from the side file
// at the first ranking that needs them, never on the way to the window.
class Corrector {
 public:
  static constexpr size_t kMaxCorrections = 5;

  struct Candidate {
    std::string word;
    double editCost = 0;
    double wordCost = 0;  // -ln P(word)
    double Score(double lambda) const { return editCost + lambda * wordCost; }
  };

  // `frequencyFile` may be empty (no frequencies: ranking by edit cost alone).
  Corrector(KeyLayout layout, std::filesystem::path frequencyFile, CorrectionWeights weights);
  // A corrector with the frequencies given (tests, benchmarks).
  Corrector(KeyLayout layout, WordFrequencies frequencies, CorrectionWeights weights);

  // The best `limit` corrections of `typed` (Windows-1251, as the word display
  // shows it: the error marker and edge hyphens and grave accents are left
  // out) among the words of `list`. `userWords` (sorted, upper case) are the
  // user's own: as they are used, they rank as words of middling commonness.
  // A word typed in lower case is seldom meant as a name: words seen only
  // capitalised rank lower for it.
  std::vector<std::string> Suggest(std::string_view typed, const WordList& list,
                                   const std::vector<std::string>& userWords, size_t limit = kMaxCorrections,
                                   LetterCase typedCase = LetterCase::Lower) const;
  // The same, with each candidate's costs, best first (all candidates).
  std::vector<Candidate> Rank(std::string_view typed, const WordList& list, const std::vector<std::string>& userWords,
                              LetterCase typedCase = LetterCase::Lower) const;

  // Why the frequencies could not be used, once: empty when they were read,
  // or before a ranking needed them. Each later call returns empty.
  std::string TakeFrequencyProblem() const;
  const CorrectionWeights& Weights() const { return weights_; }
  const ErrorModel& Model() const { return model_; }

 private:
  const WordFrequencies& Frequencies(const WordList& list) const;

  KeyLayout layout_;
  CorrectionWeights weights_;
  ErrorModel model_;
  ErrorModel searchModel_;
  std::filesystem::path frequencyFile_;
  mutable std::once_flag loaded_;
  mutable WordFrequencies frequencies_;
  mutable std::mutex problemMutex_;
  mutable std::string problem_;
  mutable bool problemTaken_ = false;
};

// The part of a finished word that corrections are found for: the error
// marker removed, and hyphens and grave accents at either edge cut off.
std::string CorrectableCore(std::string_view displayedWord);

}  // namespace vuruzid
