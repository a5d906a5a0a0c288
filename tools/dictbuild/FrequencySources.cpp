#include "tools/dictbuild/FrequencySources.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>

#include "engine/Cp1251.h"
#include "engine/TextLines.h"
#include "tools/dictbuild/Normalise.h"

namespace vuruzid::dictbuild {
namespace {

constexpr std::string_view kUnigramSection = "\\1-grams:";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A UTF-8 word as the libraries spell it; nothing for a marker, a word with
// other characters, or text that is not UTF-8 (a word list in an older 8-bit
// encoding has such bytes only in accented words, which no library holds).
std::optional<std::string> LibrarySpelling(std::string_view utf8) {
  const auto text = cp1251::FromUtf8(utf8);
  return text ? NormaliseWord(*text) : std::nullopt;
}

// The exponent s of count ~ rank^-s, fitted by least squares on the log-log
// curve of the last half of `descending`.
double TailExponent(const std::vector<uint64_t>& descending) {
  const size_t n = descending.size();
  double sumX = 0, sumY = 0, sumXX = 0, sumXY = 0;
  size_t points = 0;
  for (size_t rank = n / 2 + 1; rank <= n; ++rank) {
    const double x = std::log(static_cast<double>(rank));
    const double y = std::log(static_cast<double>(descending[rank - 1]));
    sumX += x, sumY += y, sumXX += x * x, sumXY += x * y, ++points;
  }
  const double spread = points * sumXX - sumX * sumX;
  if (points < 2 || spread <= 0) return 1;
  const double exponent = -(points * sumXY - sumX * sumY) / spread;
  return std::isfinite(exponent) ? std::max(exponent, 1.0) : 1;
}

}  // namespace

uint8_t CaseOf(std::string_view cp1251Word) {
  const auto isSmall = [](char c) { return cp1251::ToUpper(static_cast<unsigned char>(c)) != static_cast<unsigned char>(c); };
  const auto isCapital = [](char c) { return cp1251::ToLower(static_cast<unsigned char>(c)) != static_cast<unsigned char>(c); };
  if (cp1251Word.empty()) return 0;
  if (isSmall(cp1251Word.front())) return kSeenLower;
  if (isCapital(cp1251Word.front()) && std::any_of(cp1251Word.begin() + 1, cp1251Word.end(), isSmall))
    return kSeenCapitalised;
  return 0;
}

std::optional<WordCounts> ReadModelUnigrams(const std::vector<std::string>& lines, std::string* error,
                                            WordCases* cases) {
  const auto section = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& line) { return cp1251::Trim(line) == kUnigramSection; });
  if (section == lines.end()) {
    *error = "no " + std::string(kUnigramSection) + " section";
    return std::nullopt;
  }
  WordCounts counts;
  for (auto line = section + 1; line != lines.end() && !line->starts_with('\\'); ++line) {
    const std::string_view text = cp1251::Trim(*line);
    if (text.empty()) continue;
    uint64_t count = 0;
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), count);
    const std::string_view word = cp1251::Trim(text.substr(end - text.data()));
    const bool separated = end < text.data() + text.size() && IsBlank(*end);
    if (failed != std::errc() || !separated || word.empty() ||
        std::any_of(word.begin(), word.end(), IsBlank)) {
      *error = "line " + std::to_string(line - lines.begin() + 1) + " is not \"COUNT WORD\": " + std::string(text);
      return std::nullopt;
    }
    const auto spelled = LibrarySpelling(word);
    if (!spelled || count == 0) continue;
    counts[*spelled] += count;
    if (cases) (*cases)[*spelled] |= CaseOf(cp1251::FromUtf8(word).value_or(""));
  }
  return counts;
}

void AddLevelWords(const std::vector<std::string>& lines, int level, WordLevels& levels) {
  for (const auto& line : lines) {
    if (const auto word = LibrarySpelling(cp1251::Trim(line))) {
      const auto [entry, added] = levels.emplace(*word, level);
      if (!added) entry->second = std::min(entry->second, level);
    }
  }
}

std::optional<WordLevels> ReadWordListLevels(const std::filesystem::path& folder, std::string* error) {
  WordLevels levels;
  for (const int level : kWordListLevels) {
    for (const char* list : {"english-words.", "american-words."}) {
      const auto path = folder / (list + std::to_string(level));
      const auto lines = ReadTextLines(path);
      if (!lines) {
        *error = "cannot read " + path.string();
        return std::nullopt;
      }
      AddLevelWords(*lines, level, levels);
    }
  }
  return levels;
}

CombinedCounts CombineWithLevels(WordCounts modelCounts, const WordLevels& levels) {
  CombinedCounts combined;
  std::vector<uint64_t> descending;
  descending.reserve(modelCounts.size());
  for (const auto& [word, count] : modelCounts) descending.push_back(count);
  std::sort(descending.begin(), descending.end(), std::greater<>());
  const double lastRank = static_cast<double>(descending.size());
  const uint64_t smallest = descending.empty() ? 1 : descending.back();
  combined.tailExponent = TailExponent(descending);

  std::map<int, std::vector<uint64_t>> countedAt;
  std::map<int, std::vector<const std::string*>> lackingAt;
  for (const auto& [word, level] : levels) {
    if (const auto counted = modelCounts.find(word); counted != modelCounts.end())
      countedAt[level].push_back(counted->second);
    else
      lackingAt[level].push_back(&word);
  }

  double ranksTaken = lastRank;  // ranks given so far, the counted words' first
  for (const int level : kWordListLevels) {
    auto& counted = countedAt[level];
    const auto& lacking = lackingAt[level];
    LevelRow row{.level = level, .words = counted.size() + lacking.size(), .counted = counted.size()};
    if (!counted.empty()) {
      std::nth_element(counted.begin(), counted.begin() + counted.size() / 2, counted.end());
      row.medianCount = counted[counted.size() / 2];
    }
    const double middleRank = ranksTaken + (static_cast<double>(lacking.size()) + 1) / 2;
    ranksTaken += static_cast<double>(lacking.size());
    const double given = std::round(smallest * std::pow(lastRank / middleRank, combined.tailExponent));
    // Below the smallest count the model gives, and at least one.
    row.givenCount = std::max<uint64_t>(1, std::min<uint64_t>(static_cast<uint64_t>(given), smallest - 1));
    for (const std::string* word : lacking) modelCounts.emplace(*word, row.givenCount);
    combined.table.push_back(row);
  }
  combined.counts = std::move(modelCounts);
  return combined;
}

std::string LevelTableText(const CombinedCounts& combined) {
  char line[160];
  std::snprintf(line, sizeof line,
                "word list level counts (the model's counts fall as rank^-%.2f at their end):\n"
                "  level    words  counted  median count  count given to the rest\n",
                combined.tailExponent);
  std::string text = line;
  for (const LevelRow& row : combined.table) {
    std::snprintf(line, sizeof line, "  %5d  %7zu  %7zu  %12llu  %23llu\n", row.level, row.words, row.counted,
                  static_cast<unsigned long long>(row.medianCount), static_cast<unsigned long long>(row.givenCount));
    text += line;
  }
  return text;
}

}  // namespace vuruzid::dictbuild
