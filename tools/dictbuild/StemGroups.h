#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/dictbuild/FrequencySources.h"

// The forms of each word of a hunspell dictionary, recovered from its
// expansion: the expander writes every entry's root, then the root's affixed
// forms, entry after entry in the order of the dictionary file.
namespace vuruzid::dictbuild {

struct StemGroups {
  std::vector<std::string> forms;  // library spellings, group after group
  std::vector<uint32_t> starts;    // where each group begins in `forms`, and one past the last
  WordCases dictionaryCases;       // how the dictionary writes each form (Кирова: capitalised)
  size_t entries = 0;              // entries of the dictionary file
  size_t missingRoots = 0;         // of them, roots not met in order (all later lines stay in the last group)
  size_t strayLines = 0;           // expansion lines before the first root

  size_t size() const { return starts.empty() ? 0 : starts.size() - 1; }
};

// Groups the Windows-1251 lines of an expansion by the entries of the
// dictionary file it was made from (a count line, then "word/FLAGS" lines).
// A form the libraries cannot spell is left out of its group.
StemGroups GroupFormsByEntry(const std::vector<std::string>& dictionaryLines,
                             const std::vector<std::string>& expansionLines);

}  // namespace vuruzid::dictbuild
