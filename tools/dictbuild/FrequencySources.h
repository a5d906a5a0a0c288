#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Where the word counts of the frequency side files come from: the unigram
// counts of a language model, and for English the size levels of a graded
// word list, which give the words the model never counted a count of their
// own. Words are spelled as the language libraries spell them (Windows-1251
// upper case, apostrophes as the grave accent, Ё as Е).
namespace vuruzid::dictbuild {

// Counts per word, in byte order.
using WordCounts = std::map<std::string, uint64_t>;

// How a source wrote a word, as bits: a name is seen only capitalised.
enum WordCase : uint8_t { kSeenLower = 1, kSeenCapitalised = 2 };
using WordCases = std::unordered_map<std::string, uint8_t>;

// The case a Windows-1251 word is written in: kSeenLower when it starts with
// a small letter, kSeenCapitalised for a capital followed by a small letter,
// and 0 for what tells nothing (all capitals, one letter, no letter first).
uint8_t CaseOf(std::string_view cp1251Word);

// The "\1-grams:" section of a language model written as UTF-8 text, one
// "COUNT WORD" line per word. Forms that spell alike (the, The; всё, все)
// add up; markers such as <s> and <unk>, and words with characters other
// than the word characters, are left out. Nothing, with the reason in
// `error`, when the section is missing or one of its lines is not a count
// and a word. `cases`, when given, gets the cases each word was written in.
std::optional<WordCounts> ReadModelUnigrams(const std::vector<std::string>& lines, std::string* error,
                                            WordCases* cases = nullptr);

// The size levels of the graded word list, commonest first: level 10 holds
// the commonest words, each later level the words next in commonness.
inline constexpr std::array<int, 10> kWordListLevels{10, 20, 35, 40, 50, 55, 60, 70, 80, 95};

// The commonest level each word is listed at.
using WordLevels = std::unordered_map<std::string, int>;

// Adds the words of one level's file (one word per line) to `levels`, which
// keeps any word already listed at a commoner level.
void AddLevelWords(const std::vector<std::string>& lines, int level, WordLevels& levels);

// The levels of the words in `folder`: english-words.NN and american-words.NN
// for every level NN. Nothing, with the reason, when a file cannot be read.
std::optional<WordLevels> ReadWordListLevels(const std::filesystem::path& folder, std::string* error);

// How one level's words were counted.
struct LevelRow {
  int level = 0;
  size_t words = 0;           // words whose commonest level this is
  size_t counted = 0;         // of them, counted by the language model
  uint64_t medianCount = 0;   // the median of those counts (0: none)
  uint64_t givenCount = 0;    // the count each of the others is given
};

struct CombinedCounts {
  WordCounts counts;
  std::vector<LevelRow> table;  // one row per level, commonest first
  double tailExponent = 1;      // how steeply the model's counts fall at their end
};

// The model's counts, with a count for every levelled word the model lacks.
// A model lists only words it saw at least as often as its smallest count,
// so a word it lacks was seen less often, and the words of commoner levels
// more often than those of rarer ones. So the lacking words are ranked after
// the last counted word, level by level, and each level is given the count
// the model's rank-count curve, continued past its end, has at the middle of
// that level's ranks: count(rank) = smallest * (last rank / rank)^exponent,
// with the exponent fitted to the last half of the curve (never below 1, the
// exponent of Zipf's law). The model's counts must not be empty.
CombinedCounts CombineWithLevels(WordCounts modelCounts, const WordLevels& levels);

// The table as the build prints it.
std::string LevelTableText(const CombinedCounts& combined);

}  // namespace vuruzid::dictbuild
