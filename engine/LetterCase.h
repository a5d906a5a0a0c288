#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How a word was typed: the checker shows and compares words in capitals, but
// a correction the user takes goes back in the case the word was typed in.
namespace vuruzid {

enum class LetterCase : uint8_t {
  Lower,        // cat
  Capitalised,  // Cat (a single capital is this too)
  Capitals,     // CAT
};

// The case of a word as typed (Windows-1251, letters in their typed case);
// a word mixing cases in any other way counts by its first letter.
LetterCase CaseOf(std::string_view typedWord);

// `word` (Windows-1251, any case) in `letterCase`.
std::string InCase(std::string_view word, LetterCase letterCase);

}  // namespace vuruzid
