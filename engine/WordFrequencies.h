#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vuruzid {

// How often each word of a language is written, read from a side file beside
// the language library ("english.dll" has "english.frq"). The ranking of
// corrections uses it as the prior P(word); without it, ranking falls back
// to the edit cost alone.
//
// The side file is Windows-1251 text with LF line ends:
//   "QVFREQ 1"            the format and its version
//   "<N>"                 how many entries follow
//   "<WORD>\t<COUNT>"     N lines, words in byte order, each once, counts >= 1
// Words are spelled as the dictionaries hold them (upper case, Ё as Е).
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

  // Reads and checks a side file; nothing, with the reason in `error`, when
  // it is missing, unreadable or damaged in any line.
  static std::optional<WordFrequencies> Load(const std::filesystem::path& path, std::string* error);
  // The table of `entries`, spelled as the dictionaries spell (Ё folds into
  // Е, so both spellings' counts add up); entries without a count are left out.
  static WordFrequencies FromEntries(std::vector<Entry> entries);

  WordFrequencies() = default;

  // -ln P(word): the word's count over all counts, add-one smoothed. A word
  // without a count borrows a share of the count of a counted form of its
  // stem (see StemCount), else costs what a count of one would.
  double Cost(std::string_view word) const;
  // The cost of a word counted `count` times (for words the table lacks but
  // that are known to be used, such as the user's own).
  double CostOfCount(double count) const;
  size_t size() const { return counts_.size(); }
  bool empty() const { return counts_.empty(); }
  // The count a word of middling commonness has: the median of the counts.
  double MedianCount() const { return medianCount_; }

  // The table as side file text, entries in byte order.
  std::string FileText() const;

 private:
  // The share of a counted form's count that an uncounted form of its stem borrows.
  static constexpr double kStemShare = 0.1;

  void Summarise();
  size_t FirstNotBelow(std::string_view word) const;
  std::optional<uint64_t> Count(std::string_view word) const;
  double StemCount(std::string_view word) const;
  std::string_view Word(size_t i) const { return std::string_view(blob_).substr(offsets_[i], offsets_[i + 1] - offsets_[i]); }

  std::string blob_;               // the words one after another, in byte order
  std::vector<uint32_t> offsets_;  // size() + 1 offsets into blob_
  std::vector<uint64_t> counts_;
  double logTotal_ = 0;
  double medianCount_ = 1;
};

// Writes `entries` as a side file at `path` (atomically, readable by all);
// false, with the reason in `error`, when it cannot be written.
bool WriteWordFrequencies(const std::filesystem::path& path, std::vector<WordFrequencies::Entry> entries,
                          std::string* error);

}  // namespace vuruzid
