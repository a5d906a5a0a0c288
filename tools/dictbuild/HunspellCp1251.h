#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Recodes a UTF-8 affix file and its dictionary to Windows-1251 before they are
// expanded: the expander handles the single-byte files fully, while on the UTF-8
// ones it loses many forms and invents wrong ones.
namespace vuruzid::dictbuild {

struct AffixConversion {
  std::vector<std::string> lines;  // the recoded affix file; empty on failure
  std::string error;               // what went wrong; empty on success
};

// Recodes the lines of a UTF-8 affix file and makes its SET line name CP1251.
// Fails when the file declares another encoding or a line holds a character the
// code page lacks: the affix rules must come through complete or not at all.
AffixConversion AffixFileToCp1251(const std::vector<std::string>& lines);

struct DictionaryConversion {
  std::vector<std::string> lines;  // the count line, then the recoded entries
  size_t dropped = 0;              // entries the code page cannot hold, left out whole
};

// Recodes the lines of a UTF-8 dictionary file. An entry with a character the
// code page lacks is left out whole rather than recoded into another word.
DictionaryConversion DictionaryFileToCp1251(const std::vector<std::string>& lines);

}  // namespace vuruzid::dictbuild
