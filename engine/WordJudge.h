#pragma once

#include <functional>
#include <string_view>

#include "engine/WordList.h"

// How a typed word is judged against the word list. Beyond a plain lookup, the
// rules keep the checker from crying wolf on ordinary text:
// - a run of only hyphens and grave accents (a dash between words, a quote
//   mark typed with the apostrophe key) is no word and is never judged;
// - a lone letter is never wrong: initials and abbreviations (М. Горький,
//   т. е., г.) are typed as one-letter words, and most single Russian
//   letters are no word of the list;
// - hyphens and grave accents at either edge of a word do not count
//   ("-БИТНЫХ" after digits, 'CAUSE, a word in quotes);
// - a hyphenated word is right when the whole word is listed or when every
//   part between its hyphens is (ЧТО-ТО, WELL-KNOWN).
namespace vuruzid {

// True when the finished word raises no alarm. The list must not be empty.
bool IsAcceptedWord(const WordList& list, std::string_view word);

// Whether the list holds `form` (upper case) only with capitals: a name or an
// abbreviation, which a word typed all in lower case is not.
using OnlyWithCapitals = std::function<bool(std::string_view form)>;

// IsAcceptedWord for a word typed all in lower case: each listed form it is
// accepted by must also be written in lower case somewhere (lone letters are
// exempt), so "ot" is wrong where the list has only OT, and "paris-based"
// where it has only Paris.
bool IsAcceptedInLowerCase(const WordList& list, std::string_view word, const OnlyWithCapitals& onlyWithCapitals);

// True when the letters typed so far can still become an accepted word: the
// whole word begins a listed word, or every finished part before the last
// hyphen is listed and the part being typed begins one. `lowerBound` is the
// list's lower bound of the whole word, which the caller has already looked up.
// The list must not be empty.
bool MayBecomeAcceptedWord(const WordList& list, std::string_view word, size_t lowerBound);

}  // namespace vuruzid
