#include "tools/dictbuild/MergedPrior.h"

#include <cstdio>
#include <deque>
#include <unordered_set>

#include "engine/TextLines.h"
#include "tools/dictbuild/CyrillicText.h"
#include "tools/dictbuild/FrequencyMerge.h"
#include "tools/dictbuild/StemGroups.h"

namespace vuruzid::dictbuild {
namespace {

namespace fs = std::filesystem;

// More missing roots than this means the expansion is not of this dictionary.
constexpr double kMaxMissingRootShare = 0.01;

template <typename Map>
void KeepLibraryWords(Map& byWord, const WordList& library) {
  std::erase_if(byWord, [&](const auto& entry) { return !library.Contains(entry.first); });
}

std::optional<std::vector<std::string>> Lines(const fs::path& path, std::string* error) {
  auto lines = ReadTextLines(path);
  if (!lines) *error = "cannot read " + path.string();
  return lines;
}

void Merge(WordCases& into, const WordCases& from) {
  for (const auto& [word, seen] : from) into[word] |= seen;
}

std::string Line(const char* format, auto... values) {
  char text[200];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

std::optional<MergedPrior> MergePrior(const WordCounts& modelCounts, const WordCases& modelCases,
                                      const PriorSourcePaths& paths, const WordList& library, std::string* error) {
  MergedPrior merged;
  WordCases sourceCases = modelCases;
  std::vector<WeightedSource> weighted;
  std::deque<PerMillion> values;  // stays where it is as sources are added
  const auto add = [&](const char* name, PerMillion perMillion, double weight, double tokens) {
    KeepLibraryWords(perMillion, library);
    merged.report += Line("  %-26s %11.0f tokens  %8zu library words  weight %.2f\n", name, tokens,
                          perMillion.size(), weight);
    values.push_back(std::move(perMillion));
    weighted.push_back({&values.back(), weight});
  };

  uint64_t modelTokens = 0;
  for (const auto& [word, count] : modelCounts) modelTokens += count;
  add("language model", CountsPerMillion(modelCounts, static_cast<double>(modelTokens)), kModelWeight,
      static_cast<double>(modelTokens));
  if (paths.rankedList) {
    const auto lines = Lines(*paths.rankedList, error);
    if (!lines) return std::nullopt;
    add("ranked list (1/rank)", RankedListPerMillion(*lines), kRankedListWeight, static_cast<double>(lines->size()));
  }
  const auto addText = [&](const char* name, const std::vector<fs::path>& files, double weight) {
    TextCounts text;
    for (const auto& file : files)
      if (!CountCyrillicWordsIn(file, text, error)) return false;
    Merge(sourceCases, text.cases);
    add(name, CountsPerMillion(text.counts, static_cast<double>(text.tokens)), weight, static_cast<double>(text.tokens));
    return true;
  };
  if (paths.dictionaryText && !addText("bilingual dictionary", {*paths.dictionaryText}, kDictionaryTextWeight))
    return std::nullopt;
  if (!paths.prose.empty() && !addText("documentation", paths.prose, kProseWeight)) return std::nullopt;
  const PerMillion direct = Blend(weighted);

  std::unordered_set<std::string> present;
  if (paths.wordsInUse) {
    const auto lines = Lines(*paths.wordsInUse, error);
    if (!lines) return std::nullopt;
    present = WordSet(*lines);
    std::erase_if(present, [&](const std::string& word) { return !library.Contains(word); });
    merged.report += Line("  %-26s %11zu lines   %8zu library words  floor %.2f per million\n", "words in use",
                          lines->size(), present.size(), kPresenceFloor);
  }

  StemGroups groups;
  if (paths.stemDictionary && paths.stemExpansion) {
    const auto dictionary = Lines(*paths.stemDictionary, error);
    const auto expansion = dictionary ? Lines(*paths.stemExpansion, error) : std::nullopt;
    if (!expansion) return std::nullopt;
    groups = GroupFormsByEntry(*dictionary, *expansion);
    merged.report += Line("  stems: %zu entries, %zu groups of %zu forms; %zu roots not met in order, %zu stray lines\n",
                          groups.entries, groups.size(), groups.forms.size(), groups.missingRoots, groups.strayLines);
    if (groups.missingRoots > groups.entries * kMaxMissingRootShare || groups.strayLines > 0) {
      *error = paths.stemExpansion->string() + " does not follow the entries of " + paths.stemDictionary->string() +
               " (" + std::to_string(groups.missingRoots) + " roots not met in order)";
      return std::nullopt;
    }
  }
  PriorSummary summary;
  PerMillion prior = WithStemShares(direct, groups, present, &summary);
  KeepLibraryWords(prior, library);
  merged.entries = PriorEntries(prior, sourceCases, groups.dictionaryCases);
  size_t names = 0;
  for (const auto& entry : merged.entries) names += entry.onlyCapitalised;
  merged.report += Line("  of the %zu library words: %zu counted, %zu with a stem share, %zu at the floor, %zu without "
                        "(%zu seen only capitalised)\n",
                        library.size(), summary.direct, summary.stemShare, summary.floor,
                        library.size() - merged.entries.size(), names);
  return merged;
}

}  // namespace vuruzid::dictbuild
