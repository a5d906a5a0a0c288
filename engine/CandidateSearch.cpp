#include "engine/CandidateSearch.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

namespace vuruzid {
namespace {

class CostWalk {
 public:
  CostWalk(std::string_view typed, const WordList& list, const ErrorModel& model, double bound)
      : typed_(typed), list_(list), model_(model), bound_(bound),
        reach_(std::max<size_t>(2, model.LongestMeant())) {
    const size_t n = typed.size();
    rows_.emplace_back(n + 1);
    rows_[0][0] = 0;
    for (size_t j = 1; j <= n; ++j) rows_[0][j] = rows_[0][j - 1] + Extra(j);
    minima_.push_back(0);
    // Where each confusion's typed letters may end, worked out once.
    const auto& confusions = model.Confusions();
    typedFits_.resize(confusions.size());
    for (size_t k = 0; k < confusions.size(); ++k) {
      typedFits_[k].resize(n + 1);
      for (size_t j = 0; j <= n; ++j) typedFits_[k][j] = ErrorModel::TypedSideFits(confusions[k], typed, j);
      cheapestConfusion_ = std::min(cheapestConfusion_, confusions[k].cost);
    }
    // Which confusions may start at each typed position: their typed letters are there.
    startingAt_.resize(n + 1);
    for (size_t k = 0; k < confusions.size(); ++k)
      for (size_t j = confusions[k].typed.size(); j <= n; ++j)
        if (typedFits_[k][j]) startingAt_[j - confusions[k].typed.size()].push_back(static_cast<uint16_t>(k));
    // The plainest step that leaves a row: a letter dropped or replaced by
    // another; and for each typed letter, the letters that replace it cheaper.
    const auto& w = model.Weights();
    plainStep_ = std::min({model.Dropped(), w.otherLetter, w.neighbourKey, w.vowel});
    for (size_t j = 0; j < n; ++j) {
      const auto t = static_cast<unsigned char>(typed[j]);
      if (!cheapFor_[t].empty()) continue;
      for (unsigned x = 0; x < 256; ++x)
        if (x != t && model.Replaced(static_cast<unsigned char>(x), t) < plainStep_)
          cheapFor_[t].push_back(static_cast<unsigned char>(x));
    }
  }

  std::vector<FoundWord> Run() {
    Visit(0, 0, list_.size());
    return std::move(found_);
  }

 private:
  double Extra(size_t j) const {
    return model_.Extra(static_cast<unsigned char>(typed_[j - 1]),
                        j >= 2 ? static_cast<unsigned char>(typed_[j - 2]) : 0);
  }
  unsigned char LetterAt(size_t index, size_t depth) const { return static_cast<unsigned char>(list_[index][depth]); }

  // The first index in [low, high) whose entry is not below the current
  // prefix of length `depth` followed by `letter` (256: past every entry with
  // the prefix). A wide range is searched through the list's own index,
  // which touches few words; a narrow one directly.
  size_t FirstNotBelow(size_t low, size_t high, size_t depth, unsigned letter) {
    key_.assign(path_, 0, depth);
    if (letter > 0xFF) {
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

  // Whether some word under the prefix of length `depth` may still come
  // within the bound. No step is free, and a step into a deeper row starts
  // from this row, from the row above through a swap, or from a row further
  // up through a confusion whose meant letters begin with those since.
  bool MayReach(size_t depth) const {
    if (minima_[depth] <= bound_) return true;
    if (depth >= 1 && minima_[depth - 1] + model_.Swap() <= bound_) return true;
    bool under = false;
    for (size_t back = 1; back < reach_ && back <= depth && !under; ++back)
      ForConfusionsUnderWay(depth, back, [&](const ErrorModel::Confusion&) { under = true; });
    return under;
  }

  // Calls `use` for each confusion that started `back` letters above
  // `depth`, at a cell within the bound less its cost, whose typed letters
  // are there, and whose meant letters go on past the prefix's last `back`.
  template <typename Use>
  void ForConfusionsUnderWay(size_t depth, size_t back, const Use& use) const {
    const size_t from = depth - back;
    if (minima_[from] + cheapestConfusion_ > bound_) return;
    const std::string_view since = std::string_view(path_).substr(from, back);
    const auto& row = rows_[from];
    for (size_t j = 0; j < row.size(); ++j) {
      if (row[j] + cheapestConfusion_ > bound_) continue;
      for (const uint16_t k : startingAt_[j]) {
        const auto& c = model_.Confusions()[k];
        if (c.meant.size() > back && row[j] + c.cost <= bound_ && std::string_view(c.meant).starts_with(since))
          use(c);
      }
    }
  }

  // The letters that can follow the prefix of length `depth` and keep a cell
  // of the next row within the bound, when neither dropping a letter nor a
  // plain replacement can: a typed letter matched, a cheap replacement of
  // one, either letter of a swap, and the next meant letter of a confusion
  // under way.
  std::array<bool, 256> NextLetters(size_t depth) const {
    std::array<bool, 256> allowed{};
    const size_t n = typed_.size();
    const auto& row = rows_[depth];
    for (size_t j = 1; j <= n; ++j) {
      const auto t = static_cast<unsigned char>(typed_[j - 1]);
      if (row[j - 1] > bound_) continue;
      allowed[t] = true;
      for (const unsigned char x : cheapFor_[t])
        if (row[j - 1] + model_.Replaced(x, t) <= bound_) allowed[x] = true;
    }
    for (size_t j = 2; j <= n; ++j) {
      // The first letter of a swap, which the next row may not keep within the bound, and the second.
      if (row[j - 2] + model_.Swap() <= bound_) allowed[static_cast<unsigned char>(typed_[j - 1])] = true;
      if (depth >= 1 && rows_[depth - 1][j - 2] + model_.Swap() <= bound_ && path_[depth - 1] == typed_[j - 1])
        allowed[static_cast<unsigned char>(typed_[j - 2])] = true;
    }
    for (size_t back = 0; back < reach_ && back <= depth; ++back)
      ForConfusionsUnderWay(depth, back, [&](const ErrorModel::Confusion& c) {
        allowed[static_cast<unsigned char>(c.meant[back])] = true;
      });
    return allowed;
  }

  // Entries [low, high) all start with the prefix of length `depth` whose row is rows_[depth].
  void Visit(size_t depth, size_t low, size_t high) {
    const size_t n = typed_.size();
    if (low < high && list_[low].size() == depth) {
      double cost = rows_[depth][n];
      if (depth > 0 && n > 0 && path_[0] != typed_[0]) cost += model_.FirstLetter();
      if (cost <= bound_) found_.push_back({low, cost});
      while (low < high && list_[low].size() == depth) ++low;  // the same word listed twice
    }
    if (low >= high) return;
    if (minima_[depth] + plainStep_ <= bound_) {
      // Any letter may follow and stay within reach: visit every child.
      while (low < high) {
        const unsigned char letter = LetterAt(low, depth);
        const size_t end = FirstNotBelow(low + 1, high, depth, letter + 1u);
        Descend(depth, letter, low, end);
        low = end;
      }
      return;
    }
    const std::array<bool, 256> allowed = NextLetters(depth);
    for (unsigned letter = 0; letter < 256 && low < high; ++letter) {
      if (!allowed[letter]) continue;
      const size_t begin = FirstNotBelow(low, high, depth, letter);
      const size_t end = FirstNotBelow(begin, high, depth, letter + 1u);
      if (begin < end) Descend(depth, static_cast<unsigned char>(letter), begin, end);
      low = end;
    }
  }

  void Descend(size_t depth, unsigned char letter, size_t low, size_t high) {
    const size_t n = typed_.size(), d = depth + 1;
    if (rows_.size() <= d) {
      rows_.emplace_back(n + 1);
      minima_.push_back(0);
    }
    path_.resize(depth);
    path_.push_back(static_cast<char>(letter));
    // The confusions whose meant letters the prefix ends with.
    applicable_.clear();
    for (const uint16_t k : model_.ConfusionsEndingWith(letter)) {
      const auto& c = model_.Confusions()[k];
      const size_t length = c.meant.size();
      if (length > d || path_.compare(d - length, length, c.meant) != 0) continue;
      if (c.atStart && d != length) continue;
      if (!c.meantAfter.empty() && (d == length || c.meantAfter.find(path_[d - length - 1]) == std::string::npos))
        continue;
      applicable_.push_back(k);
    }
    auto& row = rows_[d];
    const auto& above = rows_[depth];
    double minimum = std::numeric_limits<double>::infinity();
    for (size_t j = 0; j <= n; ++j) {
      double best = above[j] + model_.Dropped();
      if (j > 0) {
        const auto expected = static_cast<unsigned char>(typed_[j - 1]);
        best = std::min({best, row[j - 1] + Extra(j), above[j - 1] + model_.Replaced(letter, expected)});
        if (d > 1 && j > 1 && letter == static_cast<unsigned char>(typed_[j - 2]) && path_[d - 2] == typed_[j - 1] &&
            path_[d - 2] != static_cast<char>(letter))
          best = std::min(best, rows_[d - 2][j - 2] + model_.Swap());
      }
      for (const uint16_t k : applicable_) {
        if (!typedFits_[k][j]) continue;
        const auto& c = model_.Confusions()[k];
        best = std::min(best, rows_[d - c.meant.size()][j - c.typed.size()] + c.cost);
      }
      row[j] = best;
      minimum = std::min(minimum, best);
    }
    minima_[d] = minimum;
    if (!MayReach(d)) return;
    Visit(d, low, high);
  }

  std::string_view typed_;
  const WordList& list_;
  const ErrorModel& model_;
  const double bound_;
  const size_t reach_;
  std::vector<std::vector<double>> rows_;
  std::vector<double> minima_;
  std::vector<std::vector<bool>> typedFits_;
  std::vector<uint16_t> applicable_;
  std::vector<std::vector<uint16_t>> startingAt_;  // by typed position: confusions whose typed letters start there
  double cheapestConfusion_ = std::numeric_limits<double>::infinity();
  double plainStep_ = 0;
  std::array<std::vector<unsigned char>, 256> cheapFor_;
  std::string path_;  // the prefix of the node being visited, and of its ancestors
  std::string key_;
  std::vector<FoundWord> found_;
};

}  // namespace

std::vector<FoundWord> WordsWithinCost(std::string_view typed, const WordList& list, const ErrorModel& model,
                                       double bound) {
  if (list.empty() || !list.InByteOrder() || !(bound >= 0)) return {};
  return CostWalk(typed, list, model, bound).Run();
}

}  // namespace vuruzid
