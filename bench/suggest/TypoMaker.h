#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "engine/KeyMap.h"

namespace vuruzid::bench {

// The slips a typist makes, one letter at a time.
enum class Slip { DroppedLetter, DoubledLetter, Swap, NeighbourKey, OtherLetter, ExtraLetter };
inline constexpr int kSlipKinds = 6;

std::string_view SlipName(Slip slip);
// How often each slip is drawn, in percent, in the order of Slip: keys next
// to the meant one and dropped letters lead, as in studies of typing errors.
inline constexpr std::array<int, kSlipKinds> kSlipMix = {22, 10, 16, 26, 10, 16};
// The mix as one line of text for a report's header.
std::string SlipMixText();

// Makes slips in upper-case Windows-1251 words typed on a layout's keyboard.
// The same seed gives the same slips on every run and every machine.
class TypoMaker {
 public:
  TypoMaker(KeyLayout layout, uint32_t seed);

  Slip DrawSlip();
  // `word` with `slip` made at a random place; nothing when the word has no
  // place for it (a swap in "AA", a dropped letter in a one-letter word).
  std::optional<std::string> Make(std::string_view word, Slip slip);
  size_t Below(size_t n) { return random_() % n; }

 private:
  unsigned char RandomLetter();

  KeyLayout layout_;
  std::mt19937 random_;
  std::array<std::string, 256> neighbours_;  // the letters on the keys around each letter's key
};

}  // namespace vuruzid::bench
