#include "TypoMaker.h"

#include <cstdlib>
#include <vector>

namespace vuruzid::bench {
namespace {

// The three letter rows of a keyboard; each row sits a quarter, then three
// quarters of a key further right than the one above it.
std::array<std::string_view, 3> LetterRows(KeyLayout layout) {
  if (layout == KeyLayout::Russian)
    return {"\xC9\xD6\xD3\xCA\xC5\xCD\xC3\xD8\xD9\xC7\xD5\xDA",  // ЙЦУКЕНГШЩЗХЪ
            "\xD4\xDB\xC2\xC0\xCF\xD0\xCE\xCB\xC4\xC6\xDD",      // ФЫВАПРОЛДЖЭ
            "\xDF\xD7\xD1\xCC\xC8\xD2\xDC\xC1\xDE"};             // ЯЧСМИТЬБЮ
  return {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
}

}  // namespace

std::string_view SlipName(Slip slip) {
  switch (slip) {
    case Slip::DroppedLetter: return "dropped letter";
    case Slip::DoubledLetter: return "doubled letter";
    case Slip::Swap: return "swap";
    case Slip::NeighbourKey: return "neighbouring key";
    case Slip::OtherLetter: return "random letter for a letter";
    case Slip::ExtraLetter: return "extra random letter";
  }
  return "?";
}

std::string SlipMixText() {
  std::string text;
  for (int k = 0; k < kSlipKinds; ++k)
    text += (k ? ", " : "") + std::string(SlipName(static_cast<Slip>(k))) + " " + std::to_string(kSlipMix[k]) + "%";
  return text;
}

TypoMaker::TypoMaker(KeyLayout layout, uint32_t seed) : layout_(layout), random_(seed) {
  constexpr int kShift[3] = {0, 1, 3};  // in quarter keys
  const auto rows = LetterRows(layout);
  for (int r = 0; r < 3; ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      for (int r2 = 0; r2 < 3; ++r2)
        for (size_t c2 = 0; c2 < rows[r2].size(); ++c2) {
          const int across = std::abs(int(4 * c + kShift[r]) - int(4 * c2 + kShift[r2]));
          const int down = std::abs(r - r2);
          if ((down == 0 && across == 4) || (down == 1 && across <= 3))
            neighbours_[static_cast<unsigned char>(rows[r][c])] += rows[r2][c2];
        }
}

Slip TypoMaker::DrawSlip() {
  int roll = static_cast<int>(random_() % 100);
  for (int k = 0; k < kSlipKinds; ++k) {
    if (roll < kSlipMix[k]) return static_cast<Slip>(k);
    roll -= kSlipMix[k];
  }
  return Slip::OtherLetter;
}

unsigned char TypoMaker::RandomLetter() {
  return layout_ == KeyLayout::Russian ? 0xC0 + random_() % 32 : 'A' + random_() % 26;  // А-Я (Ё folds into Е)
}

std::optional<std::string> TypoMaker::Make(std::string_view word, Slip slip) {
  std::string typo(word);
  if (typo.empty()) return std::nullopt;
  const size_t at = random_() % typo.size();
  switch (slip) {
    case Slip::DroppedLetter:
      if (typo.size() < 2) return std::nullopt;
      typo.erase(at, 1);
      return typo;
    case Slip::DoubledLetter:
      typo.insert(at, 1, typo[at]);
      return typo;
    case Slip::Swap: {
      std::vector<size_t> places;
      for (size_t i = 0; i + 1 < typo.size(); ++i)
        if (typo[i] != typo[i + 1]) places.push_back(i);
      if (places.empty()) return std::nullopt;
      const size_t i = places[random_() % places.size()];
      std::swap(typo[i], typo[i + 1]);
      return typo;
    }
    case Slip::NeighbourKey: {
      std::vector<size_t> places;
      for (size_t i = 0; i < typo.size(); ++i)
        if (!neighbours_[static_cast<unsigned char>(typo[i])].empty()) places.push_back(i);
      if (places.empty()) return std::nullopt;
      const size_t i = places[random_() % places.size()];
      const std::string& around = neighbours_[static_cast<unsigned char>(typo[i])];
      typo[i] = around[random_() % around.size()];
      return typo;
    }
    case Slip::OtherLetter: {
      unsigned char letter;
      do letter = RandomLetter();
      while (letter == static_cast<unsigned char>(typo[at]));
      typo[at] = static_cast<char>(letter);
      return typo;
    }
    case Slip::ExtraLetter:
      typo.insert(random_() % (typo.size() + 1), 1, static_cast<char>(RandomLetter()));
      return typo;
  }
  return std::nullopt;
}

}  // namespace vuruzid::bench
