#include "engine/Corrector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "engine/Cp1251.h"

namespace vuruzid {
namespace {

// Where each letter's key sits: row and column on the layout's three letter
// rows, rows shifted right by a quarter and three quarters of a key as on a
// real keyboard, in quarter keys.
struct KeyPlace {
  int8_t row = -1;
  int8_t quarterColumn = 0;
};

using KeyPlaces = std::array<KeyPlace, 256>;

KeyPlaces PlacesOf(std::array<std::string_view, 3> rows) {
  KeyPlaces places{};
  constexpr int kShift[3] = {0, 1, 3};
  for (int r = 0; r < 3; ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      places[static_cast<unsigned char>(rows[r][c])] = {static_cast<int8_t>(r), static_cast<int8_t>(4 * c + kShift[r])};
  return places;
}

const KeyPlaces& PlacesFor(KeyLayout layout) {
  static const KeyPlaces english = PlacesOf({"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"});
  static const KeyPlaces russian = PlacesOf({"\xC9\xD6\xD3\xCA\xC5\xCD\xC3\xD8\xD9\xC7\xD5\xDA",  // ЙЦУКЕНГШЩЗХЪ
                                             "\xD4\xDB\xC2\xC0\xCF\xD0\xCE\xCB\xC4\xC6\xDD",      // ФЫВАПРОЛДЖЭ
                                             "\xDF\xD7\xD1\xCC\xC8\xD2\xDC\xC1\xDE"});            // ЯЧСМИТЬБЮ
  return layout == KeyLayout::Russian ? russian : english;
}

bool AreNeighbourKeys(const KeyPlaces& places, unsigned char a, unsigned char b) {
  const KeyPlace pa = places[a], pb = places[b];
  if (pa.row < 0 || pb.row < 0) return false;
  const int rows = std::abs(pa.row - pb.row), quarters = std::abs(pa.quarterColumn - pb.quarterColumn);
  return (rows == 0 && quarters == 4) || (rows == 1 && quarters <= 3);
}

bool IsVowel(unsigned char c) {
  switch (c) {
    case 'A': case 'E': case 'I': case 'O': case 'U': case 'Y':
    case 0xC0: case 0xC5: case 0xC8: case 0xCE: case 0xD3: case 0xDB: case 0xDD: case 0xDE: case 0xDF:  // АЕИОУЫЭЮЯ
      return true;
    default:
      return false;
  }
}

// The search for every word within reach of a typed word, as a descent
// through the trie the sorted list forms: a node is a prefix and the range of
// entries that start with it, and each node keeps one row of distances
// between its prefix and every prefix of the typed word.
class TrieWalk {
 public:
  TrieWalk(std::string_view word, const WordList& list, int maxDistance)
      : word_(word), list_(list), maxDistance_(maxDistance) {
    rows_.emplace_back(word.size() + 1);
    for (size_t j = 0; j <= word.size(); ++j) rows_[0][j] = static_cast<int>(j);
    minima_.push_back(0);
  }

  std::vector<std::string> Run() {
    Visit(0, 0, list_.size());
    return std::move(found_);
  }

 private:
  unsigned char LetterAt(size_t index, size_t depth) const { return static_cast<unsigned char>(list_[index][depth]); }

  // The first index in [low, high) whose entry is not below the current
  // prefix of length `depth` followed by `letter`. A wide range is searched
  // through the list's own index, which touches few words; a narrow one
  // directly.
  size_t FirstNotBelow(size_t low, size_t high, size_t depth, unsigned letter) {
    key_.assign(path_, 0, depth);
    if (letter > 0xFF) {
      // Past every entry with this prefix.
      while (!key_.empty() && static_cast<unsigned char>(key_.back()) == 0xFF) key_.pop_back();
      if (key_.empty()) return high;
      key_.back() = static_cast<char>(static_cast<unsigned char>(key_.back()) + 1);
    } else {
      key_.push_back(static_cast<char>(letter));
    }
    if (high - low > kDirectSearch) {
      size_t found = list_.LowerBound(key_);
      if (found + 1 == list_.size() && list_[found] < std::string_view(key_)) found = list_.size();
      return std::clamp(found, low, high);
    }
    while (low < high) {
      const size_t middle = low + (high - low) / 2;
      if (list_[middle] < std::string_view(key_))
        low = middle + 1;
      else
        high = middle;
    }
    return low;
  }
  static constexpr size_t kDirectSearch = 48;

  // Entries [low, high) all start with the prefix of length `depth` whose row
  // is rows_[depth].
  void Visit(size_t depth, size_t low, size_t high) {
    const size_t n = word_.size();
    if (low < high && list_[low].size() == depth) {
      if (rows_[depth][n] <= maxDistance_) found_.emplace_back(list_[low]);
      while (low < high && list_[low].size() == depth) ++low;  // the same word listed twice
    }
    if (low >= high) return;
    if (minima_[depth] < maxDistance_) {
      // Any letter may follow and stay within reach: visit every child.
      while (low < high) {
        const unsigned char letter = LetterAt(low, depth);
        const size_t end = FirstNotBelow(low + 1, high, depth, letter + 1u);
        Descend(depth, letter, low, end);
        low = end;
      }
      return;
    }
    // Only a letter the typed word has where the row is still within reach
    // (a match), or one that completes a swap, can keep a child within reach.
    std::array<unsigned char, 64> letters;
    size_t count = 0;
    const auto& row = rows_[depth];
    for (size_t j = 1; j <= n && count + 2 <= letters.size(); ++j) {
      if (row[j - 1] <= maxDistance_) letters[count++] = static_cast<unsigned char>(word_[j - 1]);
      if (depth >= 1 && j >= 2 && rows_[depth - 1][j - 2] + 1 <= maxDistance_ &&
          path_[depth - 1] == word_[j - 1])
        letters[count++] = static_cast<unsigned char>(word_[j - 2]);
    }
    std::sort(letters.begin(), letters.begin() + count);
    const auto last = std::unique(letters.begin(), letters.begin() + count);
    for (auto it = letters.begin(); it != last && low < high; ++it) {
      const size_t begin = FirstNotBelow(low, high, depth, *it);
      const size_t end = FirstNotBelow(begin, high, depth, *it + 1u);
      if (begin < end) Descend(depth, *it, begin, end);
      low = end;
    }
  }

  void Descend(size_t depth, unsigned char letter, size_t low, size_t high) {
    const size_t n = word_.size(), d = depth + 1;
    if (rows_.size() <= d) {
      rows_.emplace_back(n + 1);
      minima_.push_back(0);
    }
    path_.resize(depth);
    path_.push_back(static_cast<char>(letter));
    auto& row = rows_[d];
    const auto& above = rows_[depth];
    row[0] = static_cast<int>(d);
    int minimum = row[0];
    for (size_t j = 1; j <= n; ++j) {
      const auto expected = static_cast<unsigned char>(word_[j - 1]);
      int best = std::min({above[j] + 1, row[j - 1] + 1, above[j - 1] + (letter != expected)});
      if (d > 1 && j > 1 && letter == static_cast<unsigned char>(word_[j - 2]) && path_[d - 2] == word_[j - 1])
        best = std::min(best, rows_[d - 2][j - 2] + 1);
      row[j] = best;
      minimum = std::min(minimum, best);
    }
    minima_[d] = minimum;
    // Deeper rows are at least the smaller of this row's minimum and, through
    // a swap, the row above's minimum plus one: past both, nothing is in reach.
    if (minimum > maxDistance_ && minima_[depth] + 1 > maxDistance_) return;
    Visit(d, low, high);
  }

  std::string_view word_;
  const WordList& list_;
  const int maxDistance_;
  std::vector<std::vector<int>> rows_;
  std::vector<int> minima_;
  std::string path_;  // the prefix of the node being visited, and of its ancestors
  std::string key_;
  std::vector<std::string> found_;
};

}  // namespace

CorrectionWeights DefaultCorrectionWeights(KeyLayout layout) {
  if (layout != KeyLayout::Russian) return {};
  return {.droppedLetter = 0.4, .doubledLetter = 0.6, .extraLetter = 1.0, .swap = 0.4, .neighbourKey = 0.6,
          .vowel = 0.6, .otherLetter = 1.0, .firstLetter = 0.1, .lambda = 0.12};
}

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

double WeightedEditCost(std::string_view typed, std::string_view word, KeyLayout layout, const CorrectionWeights& weights) {
  const KeyPlaces& places = PlacesFor(layout);
  const size_t n = typed.size(), m = word.size();
  auto at = [](std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); };
  // cost[i][j]: the cheapest way to type typed[0, j) when meaning word[0, i).
  std::vector<double> cost((m + 1) * (n + 1));
  auto c = [&](size_t i, size_t j) -> double& { return cost[i * (n + 1) + j]; };
  auto extra = [&](size_t j) {  // typed[j - 1] is one letter too many
    return j >= 2 && at(typed, j - 1) == at(typed, j - 2) ? weights.doubledLetter : weights.extraLetter;
  };
  auto replaced = [&](unsigned char meant, unsigned char got) {
    if (meant == got) return 0.0;
    double price = weights.otherLetter;
    if (AreNeighbourKeys(places, meant, got)) price = std::min(price, weights.neighbourKey);
    if (IsVowel(meant) && IsVowel(got)) price = std::min(price, weights.vowel);
    return price;
  };
  c(0, 0) = 0;
  for (size_t j = 1; j <= n; ++j) c(0, j) = c(0, j - 1) + extra(j);
  for (size_t i = 1; i <= m; ++i) {
    c(i, 0) = c(i - 1, 0) + weights.droppedLetter;
    for (size_t j = 1; j <= n; ++j) {
      double best = std::min({c(i - 1, j) + weights.droppedLetter, c(i, j - 1) + extra(j),
                              c(i - 1, j - 1) + replaced(at(word, i - 1), at(typed, j - 1))});
      if (i > 1 && j > 1 && at(word, i - 1) == at(typed, j - 2) && at(word, i - 2) == at(typed, j - 1) &&
          at(word, i - 1) != at(word, i - 2))
        best = std::min(best, c(i - 2, j - 2) + weights.swap);
      c(i, j) = best;
    }
  }
  double total = c(m, n);
  if (n > 0 && m > 0 && typed[0] != word[0]) total += weights.firstLetter;
  return total;
}

std::vector<std::string> WordsWithinDistance(std::string_view word, const WordList& list, int maxDistance) {
  if (list.empty() || maxDistance < 0) return {};
  return TrieWalk(word, list, maxDistance).Run();
}

Corrector::Corrector(KeyLayout layout, std::filesystem::path frequencyFile, CorrectionWeights weights)
    : layout_(layout), weights_(weights), frequencyFile_(std::move(frequencyFile)) {}

Corrector::Corrector(KeyLayout layout, WordFrequencies frequencies, CorrectionWeights weights)
    : layout_(layout), weights_(weights) {
  std::call_once(loaded_, [&] { frequencies_ = std::move(frequencies); });
}

const WordFrequencies& Corrector::Frequencies() const {
  std::call_once(loaded_, [this] {
    if (frequencyFile_.empty()) return;
    std::string error;
    if (auto table = WordFrequencies::Load(frequencyFile_, &error)) {
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
                                                  const std::vector<std::string>& userWords) const {
  const std::string core = CorrectableCore(typed);
  std::vector<Candidate> ranked;
  if (core.empty() || !list.InByteOrder()) return ranked;
  const WordFrequencies& frequencies = Frequencies();
  for (auto& word : WordsWithinDistance(core, list)) {
    if (word == core) continue;
    Candidate candidate{std::move(word), 0, 0};
    candidate.editCost = WeightedEditCost(core, candidate.word, layout_, weights_);
    if (!frequencies.empty()) {
      candidate.wordCost = frequencies.Cost(candidate.word);
      // The user's own words are in use, though no table counts them.
      if (std::binary_search(userWords.begin(), userWords.end(), candidate.word))
        candidate.wordCost = std::min(candidate.wordCost, frequencies.CostOfCount(frequencies.MedianCount()));
    }
    ranked.push_back(std::move(candidate));
  }
  const double lambda = weights_.lambda;
  std::stable_sort(ranked.begin(), ranked.end(),
                   [lambda](const Candidate& a, const Candidate& b) { return a.Score(lambda) < b.Score(lambda); });
  return ranked;
}

std::vector<std::string> Corrector::Suggest(std::string_view typed, const WordList& list,
                                            const std::vector<std::string>& userWords, size_t limit) const {
  std::vector<std::string> best;
  for (auto& candidate : Rank(typed, list, userWords)) {
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
