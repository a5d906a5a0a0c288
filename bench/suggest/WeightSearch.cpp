#include "WeightSearch.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <thread>

#include "engine/Cp1251.h"
#include "engine/LetterCase.h"

namespace vuruzid::bench {
namespace {

struct Field {
  const char* name;
  double CorrectionWeights::*member;
  std::vector<double> grid;
};

std::vector<Field> Fields(KeyLayout layout, bool tuneLambda) {
  const std::vector<double> edit = {0.05, 0.1, 0.15, 0.2, 0.25, 0.3, 0.35, 0.4, 0.45, 0.5,
                                    0.6,  0.7, 0.8,  0.9, 1.0,  1.1, 1.25, 1.5};
  std::vector<Field> fields = {
      {"droppedLetter", &CorrectionWeights::droppedLetter, edit},
      {"doubledLetter", &CorrectionWeights::doubledLetter, edit},
      {"extraLetter", &CorrectionWeights::extraLetter, edit},
      {"swap", &CorrectionWeights::swap, edit},
      {"neighbourKey", &CorrectionWeights::neighbourKey, edit},
      {"vowel", &CorrectionWeights::vowel, edit},
      {"firstLetter", &CorrectionWeights::firstLetter, {0, 0.05, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.8, 1.0, 1.5}},
  };
  if (layout == KeyLayout::Russian) {
    const std::vector<double> byEar = {0.05, 0.1, 0.15, 0.2, 0.25, 0.3, 0.35, 0.4, 0.5, 0.6, 0.8};
    for (const Field& f : std::initializer_list<Field>{
             {"vowelByEar", &CorrectionWeights::vowelByEar, byEar},
             {"silentConsonant", &CorrectionWeights::silentConsonant, byEar},
             {"doubleConsonant", &CorrectionWeights::doubleConsonant, byEar},
             {"afterSibilant", &CorrectionWeights::afterSibilant, byEar},
             {"signs", &CorrectionWeights::signs, byEar},
             {"prefixEnding", &CorrectionWeights::prefixEnding, byEar},
             {"voicing", &CorrectionWeights::voicing, byEar},
             {"genitiveG", &CorrectionWeights::genitiveG, byEar},
             {"tsSound", &CorrectionWeights::tsSound, byEar}})
      fields.push_back(f);
  }
  if (tuneLambda) fields.push_back({"lowerCaseName", &CorrectionWeights::lowerCaseName, {0, 0.1, 0.2, 0.3, 0.5, 0.8, 1.2}});
  if (tuneLambda)
    fields.push_back({"lambda", &CorrectionWeights::lambda,
                      {0, 0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.08, 0.1, 0.12, 0.15, 0.2, 0.25, 0.3, 0.4, 0.5}});
  return fields;
}

// The rank Corrector::Rank gives the intended word: candidates that score
// lower, and those that score the same but come first in the list.
int RankOfIntended(const WeighedWord& word, const std::vector<double>& scores) {
  const double mine = scores[word.intended];
  int rank = 0;
  for (size_t j = 0; j < scores.size(); ++j)
    rank += scores[j] < mine || (scores[j] == mine && static_cast<int>(j) < word.intended);
  return rank;
}

struct Objective {
  double top1 = -1, top5 = -1;
  bool operator>(const Objective& o) const { return top1 > o.top1 || (top1 == o.top1 && top5 > o.top5); }
};

Objective Mean(const std::vector<std::vector<WeighedWord>>& sets, KeyLayout layout, const CorrectionWeights& w) {
  Objective mean{0, 0};
  for (const auto& set : sets) {
    const Hits hits = Score(set, layout, w);
    mean.top1 += hits.top1 / sets.size();
    mean.top5 += hits.top5 / sets.size();
  }
  return mean;
}

}  // namespace

std::vector<WeighedWord> WeighWords(const std::vector<TestWord>& words, const WordList& list,
                                    const WordFrequencies& frequencies, const ErrorModel& searchModel) {
  std::vector<WeighedWord> weighed;
  for (const TestWord& word : words) {
    WeighedWord w{CorrectableCore(word.typed), {}, {}, {}, -1};
    const bool lowerCase = CaseOf(cp1251::FromUtf8(word.callerTyped).value_or("")) == LetterCase::Lower;
    for (const FoundWord& found : WordsWithinCost(w.typed, list, searchModel, ErrorModel::kSearchReach)) {
      std::string candidate(list[found.index]);
      if (candidate == w.typed) continue;
      if (candidate == word.intended) w.intended = static_cast<int>(w.candidates.size());
      const auto position = list.LibraryPositionAt(found.index);
      w.wordCosts.push_back(frequencies.empty() ? 0.0 : position ? frequencies.CostAt(*position) : frequencies.CostOfCount(0));
      w.names.push_back(lowerCase && position && frequencies.OnlyCapitalisedAt(*position));
      w.candidates.push_back(std::move(candidate));
    }
    weighed.push_back(std::move(w));
  }
  return weighed;
}

Hits Score(const std::vector<WeighedWord>& words, KeyLayout layout, const CorrectionWeights& weights) {
  // Two halves on two threads: the edit costs are most of a search's time.
  const ErrorModel model(layout, weights);
  auto count = [&](size_t from, size_t to, size_t* top1, size_t* top5) {
    std::vector<double> scores;
    for (size_t i = from; i < to; ++i) {
      const WeighedWord& word = words[i];
      if (word.intended < 0) continue;
      scores.resize(word.candidates.size());
      for (size_t j = 0; j < scores.size(); ++j) {
        const double editCost = model.Cost(word.typed, word.candidates[j]);
        const Corrector::Candidate c{{}, editCost + (word.names[j] ? weights.lowerCaseName : 0), word.wordCosts[j]};
        scores[j] = c.Score(weights.lambda);
      }
      const int rank = RankOfIntended(word, scores);
      *top1 += rank == 0;
      *top5 += rank < 5;
    }
  };
  size_t top1[2] = {}, top5[2] = {};
  const size_t middle = words.size() / 2;
  std::thread other(count, middle, words.size(), &top1[1], &top5[1]);
  count(0, middle, &top1[0], &top5[0]);
  other.join();
  const double n = words.empty() ? 1.0 : static_cast<double>(words.size());
  return {(top1[0] + top1[1]) / n, (top5[0] + top5[1]) / n};
}

CorrectionWeights SearchWeights(const std::vector<std::vector<WeighedWord>>& sets, KeyLayout layout,
                                CorrectionWeights start, bool tuneLambda,
                                const std::function<void(const std::string&)>& progress) {
  CorrectionWeights best = start;
  Objective bestScore = Mean(sets, layout, best);
  char line[1000];
  std::snprintf(line, sizeof line, "  start: mean dev top-1 %.2f %%, top-5 %.2f %%", 100 * bestScore.top1,
                100 * bestScore.top5);
  progress(line);
  for (int round = 1; round <= 6; ++round) {
    bool changed = false;
    for (const Field& field : Fields(layout, tuneLambda)) {
      for (double value : field.grid) {
        if (value == best.*field.member) continue;
        CorrectionWeights trial = best;
        trial.*field.member = value;
        if (const Objective score = Mean(sets, layout, trial); score > bestScore) {
          bestScore = score;
          best = trial;
          changed = true;
        }
      }
    }
    std::snprintf(line, sizeof line, "  round %d: mean dev top-1 %.2f %%, top-5 %.2f %%  %s", round,
                  100 * bestScore.top1, 100 * bestScore.top5, WeightsText(best).c_str());
    progress(line);
    if (!changed) break;
  }
  return best;
}

std::string WeightsText(const CorrectionWeights& w) {
  char text[800];
  std::snprintf(text, sizeof text,
                "{.droppedLetter = %g, .doubledLetter = %g, .extraLetter = %g, .swap = %g, .neighbourKey = %g, "
                ".vowel = %g, .otherLetter = %g, .firstLetter = %g, .lambda = %g, .lowerCaseName = %g, "
                ".vowelByEar = %g, .silentConsonant = %g, .doubleConsonant = %g, .afterSibilant = %g, .signs = %g, "
                ".prefixEnding = %g, .voicing = %g, .genitiveG = %g, .tsSound = %g}",
                w.droppedLetter, w.doubledLetter, w.extraLetter, w.swap, w.neighbourKey, w.vowel, w.otherLetter,
                w.firstLetter, w.lambda, w.lowerCaseName, w.vowelByEar, w.silentConsonant, w.doubleConsonant,
                w.afterSibilant, w.signs, w.prefixEnding, w.voicing, w.genitiveG, w.tsSound);
  return text;
}

}  // namespace vuruzid::bench
