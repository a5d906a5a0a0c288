#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/dictbuild/FrequencySources.h"

// Counts the Russian words of running text (documentation, the entries of a
// bilingual dictionary), spelled as the language libraries spell them.
namespace vuruzid::dictbuild {

struct TextCounts {
  WordCounts counts;
  WordCases cases;      // a capital counts only inside a sentence, not at its start
  uint64_t tokens = 0;  // every Cyrillic word read, whatever became of it
};

// Adds the Cyrillic words of UTF-8 text: runs of Cyrillic letters, with a
// hyphen between two letters kept inside the word (из-за). Markup (<...> and
// &...;) is skipped, and so is a word right after "_" (a dictionary's usage
// label such as _разг.).
void CountCyrillicWords(std::string_view utf8Text, TextCounts& into);

// Adds the words of a file, or of every file in a folder and below it. Files
// holding a NUL byte (images, media) and message catalogues (.mo, .po) are
// not text and are skipped. False, with the reason, when the path cannot be read.
bool CountCyrillicWordsIn(const std::filesystem::path& fileOrFolder, TextCounts& into, std::string* error);

}  // namespace vuruzid::dictbuild
