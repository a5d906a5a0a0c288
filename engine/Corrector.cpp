#include "engine/Corrector.h"

#include <algorithm>

#include "engine/CandidateSearch.h"
#include "engine/Cp1251.h"

namespace vuruzid {

int EditDistance(std::string_view a, std::string_view b) {
  const size_t n = b.size();
  std::vector<int> before(n + 1), previous(n + 1), current(n + 1);
  for (size_t j = 0; j <= n; ++j) previous[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = static_cast<int>(i);
    for (size_t j = 1; j <= n; ++j) {
      int best = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) best = std::min(best, before[j - 2] + 1);
      current[j] = best;
    }
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return previous[n];
}

Corrector::Corrector(KeyLayout layout, std::filesystem::path frequencyFile, CorrectionWeights weights)
    : layout_(layout), weights_(weights), model_(layout, weights), searchModel_(ErrorModel::ForSearch(layout)), frequencyFile_(std::move(frequencyFile)) {}

Corrector::Corrector(KeyLayout layout, WordFrequencies frequencies, CorrectionWeights weights)
    : layout_(layout), weights_(weights), model_(layout, weights), searchModel_(ErrorModel::ForSearch(layout)) {
  std::call_once(loaded_, [&] { frequencies_ = std::move(frequencies); });
}

const WordFrequencies& Corrector::Frequencies(const WordList& list) const {
  std::call_once(loaded_, [&] {
    if (frequencyFile_.empty()) return;
    std::string error;
    if (auto table = WordFrequencies::Load(frequencyFile_, list, &error)) {
      frequencies_ = std::move(*table);
      return;
    }
    const std::lock_guard lock(problemMutex_);
    problem_ = "Corrections are ranked without word frequencies: " + error;
  });
  return frequencies_;
}

std::string Corrector::TakeFrequencyProblem() const {
  const std::lock_guard lock(problemMutex_);
  if (problemTaken_ || problem_.empty()) return {};
  problemTaken_ = true;
  return problem_;
}

std::vector<Corrector::Candidate> Corrector::Rank(std::string_view typed, const WordList& list,
                                                  const std::vector<std::string>& userWords,
                                                  LetterCase typedCase) const {
  const std::string core = CorrectableCore(typed);
  std::vector<Candidate> ranked;
  if (core.empty() || !list.InByteOrder()) return ranked;
  const WordFrequencies& loaded = Frequencies(list);
  // The table is by position in the library it was read for: a list of another library cannot use it.
  static const WordFrequencies kNone;
  const WordFrequencies& frequencies = loaded.size() == list.LibraryWordCount() ? loaded : kNone;
  for (const FoundWord& found : WordsWithinCost(core, list, searchModel_, ErrorModel::kSearchReach)) {
    Candidate candidate{std::string(list[found.index]), 0, 0};
    if (candidate.word == core) continue;
    candidate.editCost = model_.Cost(core, candidate.word);
    if (!frequencies.empty()) {
      const auto position = list.LibraryPositionAt(found.index);
      candidate.wordCost = position ? frequencies.CostAt(*position) : frequencies.CostOfCount(0);
      // The user's own words are in use, though no table counts them.
      if (std::binary_search(userWords.begin(), userWords.end(), candidate.word))
        candidate.wordCost = std::min(candidate.wordCost, frequencies.CostOfCount(frequencies.MedianCount()));
      else if (position && typedCase == LetterCase::Lower && frequencies.OnlyCapitalisedAt(*position))
        candidate.editCost += weights_.lowerCaseName;
    }
    ranked.push_back(std::move(candidate));
  }
  const double lambda = weights_.lambda;
  std::stable_sort(ranked.begin(), ranked.end(),
                   [lambda](const Candidate& a, const Candidate& b) { return a.Score(lambda) < b.Score(lambda); });
  return ranked;
}

std::vector<std::string> Corrector::Suggest(std::string_view typed, const WordList& list,
                                            const std::vector<std::string>& userWords, size_t limit,
                                            LetterCase typedCase) const {
  std::vector<std::string> best;
  for (auto& candidate : Rank(typed, list, userWords, typedCase)) {
    if (best.size() >= limit) break;
    best.push_back(std::move(candidate.word));
  }
  return best;
}

std::string CorrectableCore(std::string_view displayedWord) {
  std::string word(displayedWord);
  std::erase(word, static_cast<char>(cp1251::kErrorMarker));
  auto isEdge = [](char c) { return c == '-' || static_cast<unsigned char>(c) == cp1251::kGraveAccent; };
  const size_t begin = std::find_if_not(word.begin(), word.end(), isEdge) - word.begin();
  const size_t end = word.size() - (std::find_if_not(word.rbegin(), word.rend(), isEdge) - word.rbegin());
  return begin < end ? word.substr(begin, end - begin) : std::string();
}

}  // namespace vuruzid
