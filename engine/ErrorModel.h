#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/KeyMap.h"

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
  double lowerCaseName = 0.3;  // added for a word seen only capitalised when the typed word is lower case

  // Russian written as it is heard (no cost: the error is not looked for).
  double vowelByEar = 0;       // unstressed О as А, Е as И, Я as И or Е, and back
  double silentConsonant = 0;  // a letter not heard left out or put in: СТН, ЗДН, ЛНЦ, ВСТВ
  double doubleConsonant = 0;  // a doubled consonant written once, or a single one twice: НН, СС
  double afterSibilant = 0;    // Ё as О after Ж Ш Ч Щ, ЖИ ШИ as ЖЫ ШЫ, ЧА ЩА as ЧЯ ЩЯ, ЦИ and ЦЫ
  double signs = 0;            // Ь for Ъ and back, or either left out
  double prefixEnding = 0;     // З for С at the end of a prefix and back: БЕЗ/БЕС, РАЗ/РАС
  double voicing = 0;          // a voiced consonant for its voiceless pair, at the end or before a consonant
  double genitiveG = 0;        // Г heard as В in -ОГО and -ЕГО (КОГО as КАВО)
  double tsSound = 0;          // ТСЯ, ТЬСЯ as ЦА, ТС as Ц, СЧ as Щ, ЧН as ШН
};

// The weights of the confusions by ear, each a field of CorrectionWeights.
inline constexpr std::array<double CorrectionWeights::*, 9> kConfusionWeights = {
    &CorrectionWeights::vowelByEar,   &CorrectionWeights::silentConsonant, &CorrectionWeights::doubleConsonant,
    &CorrectionWeights::afterSibilant, &CorrectionWeights::signs,          &CorrectionWeights::prefixEnding,
    &CorrectionWeights::voicing,       &CorrectionWeights::genitiveG,      &CorrectionWeights::tsSound};

// The weights tuned for a layout's language.
CorrectionWeights DefaultCorrectionWeights(KeyLayout layout);

// The costs of explaining a typed word (Windows-1251, upper case) as a word
// of the list, under a keyboard layout and a set of weights: letter by letter
// (a letter dropped, one too many, one for another, two swapped), and, for
// Russian, a table of the confusions of writing by ear, each a few letters
// of the word written as a few others.
class ErrorModel {
 public:
  // One confusion: `meant` letters of the word written as `typed`.
  struct Confusion {
    std::string meant, typed;  // Windows-1251
    double cost = 0;
    bool atStart = false;              // only at the start of both words
    bool beforeTypedConsonant = false;  // only where the typed word ends or a consonant follows
    std::string meantAfter;            // only after one of these letters of the word (empty: anywhere)
    uint8_t weight = 0;                // which of kConfusionWeights it costs
  };

  ErrorModel(KeyLayout layout, const CorrectionWeights& weights);

  // The model candidates are searched with: every plain edit costs one and
  // every confusion by ear kSearchConfusion, so the words within kSearchReach
  // are those within two plain edits and those a few confusions away. Ranking
  // weights make plain edits cheaper than that; a search under them would
  // reach words many dropped letters away and walk most of the list.
  static ErrorModel ForSearch(KeyLayout layout);
  static constexpr double kSearchConfusion = 0.5;
  static constexpr double kSearchReach = 2.0;

  const CorrectionWeights& Weights() const { return weights_; }
  // The cost of `typed` letter for the word's `meant` letter (0 when equal).
  double Replaced(unsigned char meant, unsigned char typed) const {
    return meant == typed ? 0.0 : classPrices_[pairClasses_[static_cast<size_t>(meant) << 8 | typed]];
  }
  // A letter typed that the word lacks, given the letter typed before it (0: none).
  double Extra(unsigned char typed, unsigned char before) const {
    return before != 0 && typed == before ? weights_.doubledLetter : weights_.extraLetter;
  }
  double Dropped() const { return weights_.droppedLetter; }
  double Swap() const { return weights_.swap; }
  double FirstLetter() const { return weights_.firstLetter; }
  const std::vector<Confusion>& Confusions() const { return confusions_; }
  // Indices into Confusions() of those whose meant letters end with `letter`.
  const std::vector<uint16_t>& ConfusionsEndingWith(unsigned char letter) const { return endingWith_[letter]; }
  // The longest meant part of any confusion (1 when there are none).
  size_t LongestMeant() const { return longestMeant_; }

  // The cheapest explanation of `typed` as a slip on the way to `word`,
  // the first-letter cost included.
  double Cost(std::string_view typed, std::string_view word) const;

  // Whether the confusion `c` may end at typed position `j` (typed[0, j) done).
  static bool TypedSideFits(const Confusion& c, std::string_view typed, size_t j);

 private:
  CorrectionWeights weights_;
  const uint8_t* pairClasses_;         // the layout's, 256 x 256, by meant letter then typed letter
  std::array<double, 64> classPrices_;
  std::vector<Confusion> confusions_;
  std::array<std::vector<uint16_t>, 256> endingWith_;
  size_t longestMeant_ = 1;
};

// The cheapest weighted explanation of `typed` as a slip on the way to `word`
// (Windows-1251, upper case), under the keyboard of `layout`.
double WeightedEditCost(std::string_view typed, std::string_view word, KeyLayout layout, const CorrectionWeights& weights);

}  // namespace vuruzid
