#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/WordList.h"

namespace vuruzid {

// How often each word of a language is written, read from a side file beside
// the language library ("english.dll" has "english.frq"). The ranking of
// corrections uses it as the prior P(word); without it, ranking falls back
// to the edit cost alone.
//
// The table holds one cell per word of the library it was made for, by
// position, so it costs two bytes a word whatever share of the words is
// counted, and a lookup is an index. A cell keeps the count on a log scale
// (1/512 of a unit of ln, far finer than the ranking can tell) and whether
// the word was seen only capitalised. The side file:
//   "QVFREQ 2"                               the format and its version
//   "<WORDS> <FINGERPRINT> <TOTAL>"          the library's word count, a
//                                            fingerprint of its words (hex),
//                                            the sum of the counts
//   WORDS cells, two bytes each, little-endian
class WordFrequencies {
 public:
  struct Entry {
    std::string word;  // Windows-1251
    uint64_t count = 0;
    // Seen in the sources only with a capital first letter: a name, which
    // ranks below common words when the word was typed in lower case.
    bool onlyCapitalised = false;
  };

  static constexpr std::string_view kSideFileExtension = ".frq";
  // The side file that belongs to the language library at `library`.
  static std::filesystem::path SideFileOf(const std::filesystem::path& library);

  // Reads and checks a side file made for the library `list` views; nothing,
  // with the reason in `error`, when it is missing, unreadable, damaged or
  // made for another library.
  static std::optional<WordFrequencies> Load(const std::filesystem::path& path, const WordList& list,
                                             std::string* error);
  // The table of `entries` for the library `list` views. Entries are spelled
  // as the dictionaries spell (Ё folds into Е, so both spellings' counts add
  // up); those without a count or that the library lacks are left out.
  static WordFrequencies FromEntries(std::vector<Entry> entries, const WordList& list);

  WordFrequencies() = default;

  // -ln P(word): the word's count over all counts, add-one smoothed; a word
  // without a count costs what a count of nought would. `list` must view the
  // library the table was made for.
  double Cost(std::string_view word, const WordList& list) const;
  // The same for the library's word at `libraryPosition`.
  double CostAt(size_t libraryPosition) const {
    return libraryPosition < cells_.size() ? CostOfCount(CountOf(cells_[libraryPosition])) : CostOfCount(0);
  }
  bool OnlyCapitalisedAt(size_t libraryPosition) const {
    return libraryPosition < cells_.size() && (cells_[libraryPosition] & kCapitalisedBit) != 0;
  }
  // The cost of a word counted `count` times (for words the table lacks but
  // that are known to be used, such as the user's own).
  double CostOfCount(double count) const { return logTotal_ - std::log1p(count); }
  // The words of the library the table is for; 0 for no table.
  size_t size() const { return cells_.size(); }
  bool empty() const { return cells_.empty(); }
  // Whether the table was made for the library `list` views.
  bool IsFor(const WordList& list) const;
  // The count a word of middling commonness has: the median of the counts.
  double MedianCount() const { return medianCount_; }
  // How many of the library's words have a count.
  size_t CountedWords() const { return counted_; }

  // The table as side file bytes.
  std::string FileBytes() const;

 private:
  static constexpr uint16_t kCapitalisedBit = 0x8000;
  static constexpr double kLevelsPerLn = 512;
  static uint16_t LevelOf(uint64_t count);
  static double CountOf(uint16_t cell);

  void Summarise();

  std::vector<uint16_t> cells_;
  uint64_t fingerprint_ = 0;
  double total_ = 0;
  double logTotal_ = 0;
  double medianCount_ = 1;
  size_t counted_ = 0;
};

// A fingerprint of the library `list` views: its word count and a sample of
// its words, enough to tell a table made for another dictionary.
uint64_t LibraryFingerprint(const WordList& list);

// Writes `entries` as the side file at `path` of the library `list` views
// (atomically, readable by all); false, with the reason in `error`, when it
// cannot be written.
bool WriteWordFrequencies(const std::filesystem::path& path, std::vector<WordFrequencies::Entry> entries,
                          const WordList& list, std::string* error);

// The words of the language library at `path`; nothing, with the reason in
// `error`, when it cannot be read.
std::optional<WordList> ReadLibraryWords(const std::filesystem::path& path, std::string* error);

}  // namespace vuruzid
