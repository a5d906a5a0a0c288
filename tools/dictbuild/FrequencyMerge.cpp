#include "tools/dictbuild/FrequencyMerge.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "engine/Cp1251.h"
#include "tools/dictbuild/Normalise.h"

namespace vuruzid::dictbuild {
namespace {

std::optional<std::string> Spelled(const std::string& utf8Line) {
  const auto text = cp1251::FromUtf8(cp1251::Trim(utf8Line));
  return text ? NormaliseWord(*text) : std::nullopt;
}

uint8_t CaseIn(const WordCases& cases, const std::string& word) {
  const auto found = cases.find(word);
  return found == cases.end() ? 0 : found->second;
}

}  // namespace

PerMillion CountsPerMillion(const WordCounts& counts, double tokens) {
  PerMillion perMillion;
  if (tokens <= 0) return perMillion;
  for (const auto& [word, count] : counts) perMillion[word] = static_cast<double>(count) * 1e6 / tokens;
  return perMillion;
}

PerMillion RankedListPerMillion(const std::vector<std::string>& utf8Lines) {
  std::vector<const std::string*> ranked;
  for (const auto& line : utf8Lines)
    if (!cp1251::Trim(line).empty()) ranked.push_back(&line);
  double harmonic = 0;
  for (size_t rank = 1; rank <= ranked.size(); ++rank) harmonic += 1.0 / static_cast<double>(rank);
  PerMillion perMillion;
  for (size_t rank = 1; rank <= ranked.size(); ++rank) {
    if (const auto word = Spelled(*ranked[rank - 1]))
      perMillion[*word] += 1e6 * kRankedListCoverage / (harmonic * static_cast<double>(rank));
  }
  return perMillion;
}

std::unordered_set<std::string> WordSet(const std::vector<std::string>& utf8Lines) {
  std::unordered_set<std::string> words;
  for (const auto& line : utf8Lines)
    if (auto word = Spelled(line)) words.insert(std::move(*word));
  return words;
}

PerMillion Blend(const std::vector<WeightedSource>& sources) {
  PerMillion blended;
  for (const auto& source : sources)
    for (const auto& [word, value] : *source.perMillion) blended[word] += source.weight * value;
  return blended;
}

PerMillion WithStemShares(const PerMillion& direct, const StemGroups& groups,
                          const std::unordered_set<std::string>& present, PriorSummary* summary) {
  // Each group's distinct forms, and in how many groups each form is.
  std::vector<std::vector<const std::string*>> distinct(groups.size());
  std::unordered_map<std::string_view, uint32_t> memberships;
  for (size_t g = 0; g < groups.size(); ++g) {
    auto& forms = distinct[g];
    for (uint32_t i = groups.starts[g]; i < groups.starts[g + 1]; ++i) forms.push_back(&groups.forms[i]);
    std::sort(forms.begin(), forms.end(), [](auto* a, auto* b) { return *a < *b; });
    forms.erase(std::unique(forms.begin(), forms.end(), [](auto* a, auto* b) { return *a == *b; }), forms.end());
    for (const std::string* form : forms) ++memberships[*form];
  }
  PerMillion prior = direct;
  std::unordered_set<std::string_view> shared;
  for (const auto& forms : distinct) {
    double total = 0;
    for (const std::string* form : forms)
      if (const auto found = direct.find(*form); found != direct.end()) total += found->second / memberships[*form];
    if (total <= 0) continue;
    const double share = kStemShare * total / static_cast<double>(forms.size());
    for (const std::string* form : forms) {
      double& value = prior[*form];
      value = std::max(value, share);
      if (!direct.contains(*form)) shared.insert(*form);
    }
  }
  size_t floored = 0;
  for (const auto& word : present) {
    double& value = prior[word];
    if (value == 0) ++floored;
    value = std::max(value, kPresenceFloor);
  }
  if (summary) *summary = {.direct = direct.size(), .stemShare = shared.size(), .floor = floored};
  return prior;
}

std::vector<WordFrequencies::Entry> PriorEntries(const PerMillion& prior, const WordCases& sourceCases,
                                                 const WordCases& dictionaryCases) {
  std::vector<WordFrequencies::Entry> entries;
  entries.reserve(prior.size());
  for (const auto& [word, perMillion] : prior) {
    if (perMillion <= 0) continue;
    const uint8_t seen = CaseIn(sourceCases, word);
    const uint8_t written = seen != 0 ? seen : CaseIn(dictionaryCases, word);
    const auto count = static_cast<uint64_t>(std::llround(perMillion * kCountPerPerMillion));
    entries.push_back({.word = word, .count = std::max<uint64_t>(1, count), .onlyCapitalised = written == kSeenCapitalised});
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.word < b.word; });
  return entries;
}

}  // namespace vuruzid::dictbuild
