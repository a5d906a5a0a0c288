#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/KeyMap.h"
#include "engine/WordFrequencies.h"
#include "engine/WordList.h"

namespace vuruzid {

// What each kind of typing error costs when a typed word is explained as a
// slip on the way to a listed word (a noisy channel): the errors people make
// most are the cheapest. The prior weighs in as `lambda` * -ln P(word).
// The defaults are English's, found by a search on development sets of real
// misspellings and seeded slips (bench/suggest --tune), all but the vowel
// cost: the seeded slips hold no mix-up of vowels, the misspelling people
// make most, so the search cannot weigh it and it is set by hand.
struct CorrectionWeights {
  double droppedLetter = 0.45;  // the word has a letter the typed text lacks
  double doubledLetter = 0.45;  // the typed text repeats the letter before it
  double extraLetter = 0.9;     // any other letter too many
  double swap = 0.5;            // two neighbouring letters swapped
  double neighbourKey = 0.6;    // a letter for one whose key is next to it
  double vowel = 0.6;           // a vowel for another vowel
  double otherLetter = 1.0;     // any other letter for a letter
  double firstLetter = 0.05;    // added when the first letter is not the word's
  double lambda = 0.1;
};

// The weights tuned for a layout's language.
CorrectionWeights DefaultCorrectionWeights(KeyLayout layout);

// Restricted Damerau-Levenshtein distance: insertions, deletions,
// substitutions, and swaps of two neighbouring letters each count as one edit.
int EditDistance(std::string_view a, std::string_view b);

// The cheapest weighted explanation of `typed` as a slip on the way to `word`
// (Windows-1251, upper case), under the keyboard of `layout`.
double WeightedEditCost(std::string_view typed, std::string_view word, KeyLayout layout, const CorrectionWeights& weights);

// Every entry of `list` (which must be in byte order) within EditDistance
// `maxDistance` of `word`, each once, in list order. The list is walked as
// the trie its sorted words form: one row of distances per letter of a
// prefix, and every word under a prefix that can no longer come within reach
// is skipped with one search.
std::vector<std::string> WordsWithinDistance(std::string_view word, const WordList& list, int maxDistance = 2);

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
  std::vector<std::string> Suggest(std::string_view typed, const WordList& list,
                                   const std::vector<std::string>& userWords, size_t limit = kMaxCorrections) const;
  // The same, with each candidate's costs, best first (all candidates).
  std::vector<Candidate> Rank(std::string_view typed, const WordList& list,
                              const std::vector<std::string>& userWords) const;

  // Why the frequencies could not be used, once: empty when they were read,
  // or before a ranking needed them. Each later call returns empty.
  std::string TakeFrequencyProblem() const;
  const CorrectionWeights& Weights() const { return weights_; }

 private:
  const WordFrequencies& Frequencies() const;

  KeyLayout layout_;
  CorrectionWeights weights_;
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
