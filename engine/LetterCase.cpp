#include "engine/LetterCase.h"

#include <array>

#include "engine/Cp1251.h"

namespace vuruzid {
namespace {

// Looked up on every key: tables, not calls.
struct Letters {
  std::array<bool, 256> capital{}, small{};
  Letters() {
    for (int c = 0; c < 256; ++c) {
      capital[c] = cp1251::ToLower(static_cast<unsigned char>(c)) != c;
      small[c] = cp1251::ToUpper(static_cast<unsigned char>(c)) != c;
    }
  }
};
const Letters kLetters;

bool IsCapital(unsigned char c) { return kLetters.capital[c]; }
bool IsSmall(unsigned char c) { return kLetters.small[c]; }

}  // namespace

LetterCase CaseOf(std::string_view typedWord) {
  size_t capitals = 0, smalls = 0;
  bool firstCapital = false, seenLetter = false;
  for (const char ch : typedWord) {
    const auto c = static_cast<unsigned char>(ch);
    if (!IsCapital(c) && !IsSmall(c)) continue;
    if (!seenLetter) firstCapital = IsCapital(c);
    seenLetter = true;
    capitals += IsCapital(c);
    smalls += IsSmall(c);
  }
  if (capitals > 1 && smalls == 0) return LetterCase::Capitals;
  return firstCapital ? LetterCase::Capitalised : LetterCase::Lower;
}

std::string InCase(std::string_view word, LetterCase letterCase) {
  if (letterCase == LetterCase::Capitals) return cp1251::ToUpper(word);
  std::string out = cp1251::ToLower(word);
  if (letterCase == LetterCase::Capitalised) {
    for (auto& ch : out) {
      const auto c = static_cast<unsigned char>(ch);
      if (!IsSmall(c)) continue;
      ch = static_cast<char>(cp1251::ToUpper(c));
      break;
    }
  }
  return out;
}

}  // namespace vuruzid
