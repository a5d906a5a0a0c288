#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/CaseForms.h"
#include "engine/WordList.h"
#include "tools/dictbuild/Normalise.h"

// Finds which words of a language library its word list writes only with
// capitals (Paris, NASA), for the library's case side file.
namespace vuruzid::dictbuild {

struct CaseFormCounts {
  size_t forms = 0;            // spellings read, as the library's normalising keeps them
  size_t notInLibrary = 0;     // spellings whose library spelling the library lacks
  size_t withoutSpelling = 0;  // library words no line spells
  size_t capitalised = 0;      // library words written only capitalised
  size_t capitals = 0;         // library words written only in capitals
};

struct LibraryCases {
  std::vector<FormCase> cases;  // one per library word, in library order
  CaseFormCounts counts;
};

// The case of one spelling (Windows-1251, as the list writes it).
FormCase CaseOfSpelling(std::string_view cp1251Spelling);

// The case of each word of `library` from the lines of the word list it was
// made from, normalised exactly as NormaliseWordList does: a word is Any when
// some line spells it all in lower case, else Capitalised when some line
// spells it with a small letter, else Capitals. A word no line spells is Any.
LibraryCases CasesOfLibraryWords(const std::vector<std::string>& lines, SourceEncoding encoding,
                                 const WordList& library);

}  // namespace vuruzid::dictbuild
