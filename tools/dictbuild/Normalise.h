#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/LanguageLibrary.h"

// Turns a word list (one word per line, as the affix expander or a person writes
// it) into the sorted, upper-case Windows-1251 words of a language library.
namespace vuruzid::dictbuild {

enum class SourceEncoding { Utf8, Cp1251 };

// Longest word a library read can deliver whole; longer words are dropped
// rather than cut into something that is not a word.
inline constexpr size_t kMaxWordBytes = LanguageLibrary::kMaxStringBytes;

// The word on one line of a word list: surrounding blanks, a "/flags" part and
// trailing morphological fields ("po:noun" after a blank or tab) removed.
std::string_view WordOnLine(std::string_view line);

// One Windows-1251 word upper-cased, with the apostrophes ' and ’ turned into the
// grave accent and Ё into Е; nothing when the word holds any other character
// than the word characters, or is empty or longer than kMaxWordBytes.
std::optional<std::string> NormaliseWord(std::string_view cp1251Word);

// What happened to the lines of a word list.
struct NormaliseCounts {
  size_t lines = 0;       // lines read
  size_t empty = 0;       // blank lines
  size_t foreign = 0;     // dropped: a character outside the word characters
  size_t tooLong = 0;     // dropped: longer than kMaxWordBytes
  size_t duplicates = 0;  // dropped: the same word after normalising
  size_t words = 0;       // words kept
};

struct NormalisedWords {
  std::vector<std::string> words;  // byte order, no duplicates
  NormaliseCounts counts;
};

// Normalises every line of a word list in the given encoding. A UTF-8 line with
// a character the code page lacks, or with malformed bytes, is dropped whole.
NormalisedWords NormaliseWordList(const std::vector<std::string>& lines, SourceEncoding encoding);

// The strings of a language library: the word count as decimal text, then the words.
std::vector<std::string> LibraryStrings(std::vector<std::string> words);

}  // namespace vuruzid::dictbuild
