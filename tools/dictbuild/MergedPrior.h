#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/WordFrequencies.h"
#include "engine/WordList.h"
#include "tools/dictbuild/FrequencySources.h"

// The word frequencies of a language merged from a language model and
// further sources (see FrequencyMerge.h), with shares for the uncounted forms
// of counted words; read from the files the builder is given.
namespace vuruzid::dictbuild {

struct PriorSourcePaths {
  std::optional<std::filesystem::path> wordsInUse;      // UTF-8 list, one word a line: presence only
  std::optional<std::filesystem::path> rankedList;      // UTF-8 list, commonest first
  std::optional<std::filesystem::path> dictionaryText;  // a bilingual dictionary's UTF-8 text
  std::vector<std::filesystem::path> prose;             // files or folders of UTF-8 documentation
  std::optional<std::filesystem::path> stemDictionary;  // the Windows-1251 .dic file of the library
  std::optional<std::filesystem::path> stemExpansion;   // and its expansion, in the same encoding

  bool any() const { return wordsInUse || rankedList || dictionaryText || !prose.empty() || stemDictionary; }
};

struct MergedPrior {
  std::vector<WordFrequencies::Entry> entries;  // library words only, in byte order
  std::string report;                           // what each source gave, as the build prints it
};

// The merged entries for the words of `library`. `modelCounts` are the
// model's counts of every word it lists (the library's or not), `modelCases`
// their cases. Nothing, with the reason, when a source cannot be read or the
// expansion does not follow its dictionary.
std::optional<MergedPrior> MergePrior(const WordCounts& modelCounts, const WordCases& modelCases,
                                      const PriorSourcePaths& paths, const WordList& library, std::string* error);

}  // namespace vuruzid::dictbuild
