#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/WordFrequencies.h"
#include "tools/dictbuild/FrequencySources.h"
#include "tools/dictbuild/StemGroups.h"

// Merges word frequency sources of different kinds into one prior: counts
// of running text, a ranked word list and a list of words known to be used,
// each turned into occurrences per million words and weighted.
namespace vuruzid::dictbuild {

// How much each source weighs in the merged value (they add up to one). The
// language model counts the most text; the ranked list is conversational
// (привет, спасибо); the bilingual dictionary favours base forms and the
// documentation technical words, so they weigh less.
inline constexpr double kModelWeight = 0.45;
inline constexpr double kRankedListWeight = 0.25;
inline constexpr double kDictionaryTextWeight = 0.15;
inline constexpr double kProseWeight = 0.15;
// The share of running text a 10,000-word ranked list's words make up: its
// 1/rank curve is scaled so its values add up to that.
inline constexpr double kRankedListCoverage = 0.7;
// Per million, for a word only the list of words in use holds: below what a
// single occurrence in any counted source is worth.
inline constexpr double kPresenceFloor = 0.05;
// The share of its stem's total (spread over the stem's forms) that a form
// gets when that is more than its own value.
inline constexpr double kStemShare = 0.1;
// Written counts are per billion words: integers, and one still means something.
inline constexpr double kCountPerPerMillion = 1000;

using PerMillion = std::unordered_map<std::string, double>;

// Counts over the `tokens` words of the text they were counted in.
PerMillion CountsPerMillion(const WordCounts& counts, double tokens);
// A list of UTF-8 words, commonest first, as a 1/rank curve scaled to
// kRankedListCoverage; forms that spell alike add up.
PerMillion RankedListPerMillion(const std::vector<std::string>& utf8Lines);
// The words of a UTF-8 list, one per line, as the libraries spell them.
std::unordered_set<std::string> WordSet(const std::vector<std::string>& utf8Lines);

struct WeightedSource {
  const PerMillion* perMillion;
  double weight;
};
PerMillion Blend(const std::vector<WeightedSource>& sources);

// How the forms got their value.
struct PriorSummary {
  size_t direct = 0;     // counted by a source
  size_t stemShare = 0;  // uncounted, given a share of their stem's total
  size_t floor = 0;      // uncounted, with no counted stem, in the list of words in use
};

// Every form's value: the largest of its own, its stem groups' shares and,
// for a form in `present`, the floor. A group's total gives each form in
// several groups's value out in equal parts, so a form shared by unrelated
// words (стали, of сталь and стать) does not make either common.
PerMillion WithStemShares(const PerMillion& direct, const StemGroups& groups,
                          const std::unordered_set<std::string>& present, PriorSummary* summary);

// The entries of a side file: counts per billion (at least one) and, for
// forms the sources saw only capitalised (or, when they saw no case, the
// dictionary writes only capitalised), onlyCapitalised.
std::vector<WordFrequencies::Entry> PriorEntries(const PerMillion& prior, const WordCases& sourceCases,
                                                 const WordCases& dictionaryCases);

}  // namespace vuruzid::dictbuild
