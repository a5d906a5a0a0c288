#include "engine/ErrorModel.h"

#include <algorithm>
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

// Russian consonants: Б В Г Д Ж З Й К Л М Н П Р С Т Ф Х Ц Ч Ш Щ.
bool IsRussianConsonant(unsigned char c) {
  return c >= 0xC0 && c <= 0xDF && !IsVowel(c) && c != 0xDA && c != 0xDC;  // not Ъ, Ь
}

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or(std::string()); }

// The confusions of Russian written by ear, each with the weight it costs.
using Field = double CorrectionWeights::*;

uint8_t FieldNumber(Field field) {
  return static_cast<uint8_t>(std::find(kConfusionWeights.begin(), kConfusionWeights.end(), field) -
                              kConfusionWeights.begin());
}

std::vector<ErrorModel::Confusion> RussianConfusions(const CorrectionWeights& weights) {
  std::vector<ErrorModel::Confusion> all;
  auto add = [&](Field field, std::string_view meant, std::string_view typed) -> ErrorModel::Confusion& {
    ErrorModel::Confusion confusion;
    confusion.meant = Cp(meant);
    confusion.typed = Cp(typed);
    confusion.cost = weights.*field;
    confusion.weight = FieldNumber(field);
    all.push_back(std::move(confusion));
    return all.back();
  };
  auto both = [&](Field field, std::string_view a, std::string_view b) {
    add(field, a, b);
    add(field, b, a);
  };
  using W = CorrectionWeights;
  for (auto [a, b] : {std::pair{"О", "А"}, {"Е", "И"}, {"Е", "Я"}, {"И", "Я"}, {"Е", "Э"}}) both(&W::vowelByEar, a, b);
  // A consonant not heard between two others.
  for (auto [full, heard] : {std::pair{"СТН", "СН"}, {"ЗДН", "ЗН"}, {"ЛНЦ", "НЦ"}, {"ВСТВ", "СТВ"}, {"НДСК", "НСК"},
                             {"НТСК", "НСК"}, {"СТЛ", "СЛ"}, {"РДЦ", "РЦ"}, {"РДЧ", "РЧ"}, {"НДШ", "НШ"},
                             {"СТСК", "ССК"}})
    both(&W::silentConsonant, full, heard);
  for (std::string_view c : {"Б", "В", "Г", "Д", "Ж", "З", "К", "Л", "М", "Н", "П", "Р", "С", "Т", "Ф"})
    both(&W::doubleConsonant, std::string(c) + std::string(c), c);
  for (std::string_view s : {"Ж", "Ш", "Ч", "Щ"}) {
    const std::string sibilant(s);
    add(&W::afterSibilant, sibilant + "Е", sibilant + "О");  // the dictionaries spell Ё as Е
    add(&W::afterSibilant, sibilant + "О", sibilant + "Е");
  }
  for (auto [meant, typed] : {std::pair{"ЖИ", "ЖЫ"}, {"ШИ", "ШЫ"}, {"ЧА", "ЧЯ"}, {"ЩА", "ЩЯ"}, {"ЧУ", "ЧЮ"},
                              {"ЩУ", "ЩЮ"}, {"ЦИ", "ЦЫ"}, {"ЦЫ", "ЦИ"}})
    add(&W::afterSibilant, meant, typed);
  both(&W::signs, "Ь", "Ъ");
  add(&W::signs, "Ь", "");
  add(&W::signs, "Ъ", "");
  for (auto [voiced, voiceless] : {std::pair{"БЕЗ", "БЕС"}, {"РАЗ", "РАС"}, {"ИЗ", "ИС"}, {"ВОЗ", "ВОС"},
                                   {"НИЗ", "НИС"}, {"ВЗ", "ВС"}, {"ЧЕРЕЗ", "ЧЕРЕС"}, {"РОЗ", "РОС"}}) {
    add(&W::prefixEnding, voiced, voiceless).atStart = true;
    add(&W::prefixEnding, voiceless, voiced).atStart = true;
  }
  for (auto [voiced, voiceless] :
       {std::pair{"Б", "П"}, {"В", "Ф"}, {"Г", "К"}, {"Д", "Т"}, {"Ж", "Ш"}, {"З", "С"}, {"Г", "Х"}}) {
    add(&W::voicing, voiced, voiceless).beforeTypedConsonant = true;
    add(&W::voicing, voiceless, voiced).beforeTypedConsonant = true;
  }
  for (std::string_view typed : {"ВО", "ВА"}) add(&W::genitiveG, "ГО", typed).meantAfter = Cp("ОЕ");
  for (auto [meant, typed] : {std::pair{"ТЬСЯ", "ЦА"}, {"ТСЯ", "ЦА"}, {"ТЬСЯ", "ЦЦА"}, {"ТСЯ", "ЦЦА"},
                              {"ТЬСЯ", "ТСЯ"}, {"ТСЯ", "ТЬСЯ"}, {"ТС", "Ц"}, {"ДС", "Ц"}, {"СЧ", "Щ"},
                              {"ЧН", "ШН"}, {"ЗЧ", "Щ"}})
    add(&W::tsSound, meant, typed);
  // A weight of nought leaves its confusions out.
  std::erase_if(all, [](const ErrorModel::Confusion& c) { return !(c.cost > 0) || c.meant.empty(); });
  return all;
}

}  // namespace

CorrectionWeights DefaultCorrectionWeights(KeyLayout layout) {
  if (layout != KeyLayout::Russian) return {};
  // Found by the search on the dev halves of the Russian sets, the by-ear set among them.
  return {.droppedLetter = 0.35, .doubledLetter = 0.5, .extraLetter = 0.8, .swap = 0.25, .neighbourKey = 0.45,
          .vowel = 1.0, .otherLetter = 1.0, .firstLetter = 0.1, .lambda = 0.12, .lowerCaseName = 0.3,
          .vowelByEar = 0.4, .silentConsonant = 0.3, .doubleConsonant = 0.2, .afterSibilant = 0.15, .signs = 0.3,
          .prefixEnding = 0.3, .voicing = 0.35, .genitiveG = 0.3, .tsSound = 0.05};
}

namespace {

// For each pair of letters (meant, typed) of a layout, which prices apply to
// typing one for the other: bit 0, the keys are neighbours; bit 1, both are
// vowels; bits 2-5, one more than the number of the confusion weight that a
// single letter for a single letter anywhere in a word falls under (0: none).
// Shared by every model of the layout: a model keeps only a price per class.
const std::vector<uint8_t>& PairClasses(KeyLayout layout) {
  auto make = [](KeyLayout layout) {
    std::vector<uint8_t> classes(256 * 256);
    const KeyPlaces& places = PlacesFor(layout);
    for (unsigned meant = 0; meant < 256; ++meant)
      for (unsigned typed = 0; typed < 256; ++typed)
        classes[meant << 8 | typed] = static_cast<uint8_t>((AreNeighbourKeys(places, meant, typed) ? 1 : 0) |
                                                           (IsVowel(meant) && IsVowel(typed) ? 2 : 0));
    if (layout == KeyLayout::Russian) {
      CorrectionWeights every;
      for (const auto field : kConfusionWeights) every.*field = 1;
      for (const auto& c : RussianConfusions(every))
        if (c.meant.size() == 1 && c.typed.size() == 1 && !c.beforeTypedConsonant && c.meantAfter.empty() && !c.atStart)
          classes[static_cast<unsigned char>(c.meant[0]) << 8 | static_cast<unsigned char>(c.typed[0])] |=
              static_cast<uint8_t>((c.weight + 1) << 2);
    }
    return classes;
  };
  static const std::vector<uint8_t> english = make(KeyLayout::English), russian = make(KeyLayout::Russian),
                                    other = make(KeyLayout::Other);
  return layout == KeyLayout::Russian ? russian : layout == KeyLayout::English ? english : other;
}

}  // namespace

ErrorModel::ErrorModel(KeyLayout layout, const CorrectionWeights& weights)
    : weights_(weights), pairClasses_(PairClasses(layout).data()) {
  for (size_t c = 0; c < classPrices_.size(); ++c) {
    double price = weights.otherLetter;
    if (c & 1) price = std::min(price, weights.neighbourKey);
    if (c & 2) price = std::min(price, weights.vowel);
    if (const size_t field = c >> 2; field > 0 && field <= kConfusionWeights.size() && weights.*kConfusionWeights[field - 1] > 0)
      price = std::min(price, weights.*kConfusionWeights[field - 1]);
    classPrices_[c] = price;
  }
  if (layout != KeyLayout::Russian) return;
  confusions_ = RussianConfusions(weights);
  for (size_t k = 0; k < confusions_.size(); ++k) {
    const Confusion& c = confusions_[k];
    // A single letter for a single letter anywhere is a replacement, priced by its class.
    if (c.meant.size() == 1 && c.typed.size() == 1 && !c.beforeTypedConsonant && c.meantAfter.empty() && !c.atStart)
      continue;
    endingWith_[static_cast<unsigned char>(c.meant.back())].push_back(static_cast<uint16_t>(k));
    longestMeant_ = std::max(longestMeant_, c.meant.size());
  }
}

ErrorModel ErrorModel::ForSearch(KeyLayout layout) {
  CorrectionWeights unit{.droppedLetter = 1, .doubledLetter = 1, .extraLetter = 1, .swap = 1, .neighbourKey = 1,
                         .vowel = 1, .otherLetter = 1, .firstLetter = 0, .lambda = 0};
  for (double CorrectionWeights::*confusion : kConfusionWeights) unit.*confusion = kSearchConfusion;
  return ErrorModel(layout, unit);
}

bool ErrorModel::TypedSideFits(const Confusion& c, std::string_view typed, size_t j) {
  if (j < c.typed.size() || typed.compare(j - c.typed.size(), c.typed.size(), c.typed) != 0) return false;
  if (c.atStart && j != c.typed.size()) return false;
  if (c.beforeTypedConsonant && j < typed.size() && !IsRussianConsonant(static_cast<unsigned char>(typed[j])))
    return false;
  return true;
}

double ErrorModel::Cost(std::string_view typed, std::string_view word) const {
  const size_t n = typed.size(), m = word.size();
  auto at = [](std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); };
  // cost[i][j]: the cheapest way to type typed[0, j) when meaning word[0, i).
  std::vector<double> cost((m + 1) * (n + 1));
  auto c = [&](size_t i, size_t j) -> double& { return cost[i * (n + 1) + j]; };
  auto extra = [&](size_t j) { return Extra(at(typed, j - 1), j >= 2 ? at(typed, j - 2) : 0); };
  c(0, 0) = 0;
  for (size_t j = 1; j <= n; ++j) c(0, j) = c(0, j - 1) + extra(j);
  for (size_t i = 1; i <= m; ++i) {
    const auto& confusions = endingWith_[at(word, i - 1)];
    for (size_t j = 0; j <= n; ++j) {
      double best = c(i - 1, j) + Dropped();
      if (j > 0) {
        best = std::min({best, c(i, j - 1) + extra(j), c(i - 1, j - 1) + Replaced(at(word, i - 1), at(typed, j - 1))});
        if (i > 1 && j > 1 && at(word, i - 1) == at(typed, j - 2) && at(word, i - 2) == at(typed, j - 1) &&
            at(word, i - 1) != at(word, i - 2))
          best = std::min(best, c(i - 2, j - 2) + Swap());
      }
      for (const uint16_t k : confusions) {
        const Confusion& f = confusions_[k];
        const size_t length = f.meant.size();
        if (length > i || word.compare(i - length, length, f.meant) != 0) continue;
        if (f.atStart && i != length) continue;
        if (!f.meantAfter.empty() && (i == length || f.meantAfter.find(word[i - length - 1]) == std::string::npos))
          continue;
        if (!TypedSideFits(f, typed, j)) continue;
        best = std::min(best, c(i - length, j - f.typed.size()) + f.cost);
      }
      c(i, j) = best;
    }
  }
  double total = c(m, n);
  if (n > 0 && m > 0 && typed[0] != word[0]) total += FirstLetter();
  return total;
}

double WeightedEditCost(std::string_view typed, std::string_view word, KeyLayout layout, const CorrectionWeights& weights) {
  return ErrorModel(layout, weights).Cost(typed, word);
}

}  // namespace vuruzid
