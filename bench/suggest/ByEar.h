#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// Russian misspelt as it is heard: the writer spells the sounds, not the
// letters. Made here from real words to build test sets, independently of
// the corrector's own table, and in the proportions a teacher meets them.
namespace vuruzid::bench {

enum class ByEar {
  Vowel,            // an unstressed vowel as the one it sounds like: о as а, е as и, я as и or е
  SilentConsonant,  // a consonant not heard left out (стн, здн, лнц, вств), or one put in (опастный)
  DoubleConsonant,  // нн as н, сс as с and the like, or н doubled
  IoAfterSibilant,  // ё as о after ж ш ч щ
  SibilantVowel,    // жи ши as жы шы, ча ща as чя щя, чу щу as чю щю, ци as цы
  Signs,            // ъ as ь and back, ь left out
  PrefixEnding,     // з and с at the end of a prefix (безполезный, разсказ)
  Voicing,          // a consonant as its voiced or voiceless pair at the end or before a consonant
  Genitive,         // -ого, -его as -ова, -ева, -ово, -ево
  TsSound,          // тся, ться as ца, тс as ц, сч as щ
};
inline constexpr int kByEarKinds = 10;
std::string_view ByEarName(ByEar kind);
// How often each kind is made, in percent, in the order of ByEar.
inline constexpr std::array<int, kByEarKinds> kByEarMix = {34, 8, 12, 5, 5, 6, 5, 11, 6, 8};

struct ByEarVariant {
  std::string typed;  // lower-case Windows-1251, ё as ё
  ByEar kind;
};

// Every misspelling by ear of `word` (lower-case Windows-1251, with ё where
// the word has it), one change each.
std::vector<ByEarVariant> ByEarVariants(std::string_view word);

}  // namespace vuruzid::bench
