#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>

#include "engine/SpellingEngine.h"

namespace vuruzid::check {

// What typing a text through the interpreter gave.
struct ReplayCounts {
  size_t wordsTyped = 0;        // words of the language's own script that were typed
  size_t wordsMarked = 0;       // word ends at which the interpreter marked the word wrong
  size_t beeps = 0;             // beeps asked for, while typing and at word ends
  size_t keys = 0;              // keys pressed, Shift included
  size_t otherScriptWords = 0;  // words in the other script (typed only when switching layouts)
  std::map<std::string, size_t> markedWords;  // UTF-8, as the interpreter spelled them
};

// One word of the text as the replay met it, for comparing with another checker.
struct ReplayedWord {
  std::string_view text;  // UTF-8, as written, hyphens and apostrophes at its edges included
  bool otherScript;       // written in the other script: not typed
  size_t marks;           // times the interpreter marked it wrong at its end
};

// How a text is typed.
struct ReplayOptions {
  // A writer with both keyboard layouts switches to the other one for a word
  // in the other script and back, and types every word; without, such a word
  // is not typed (its writer would switch the checker's language for it).
  bool switchLayouts = false;
  bool followLayout = true;  // the checker follows those switches
};

// Types a UTF-8 text as a person would on a US keyboard (English) or a
// standard Russian keyboard (Russian): letters with Shift for capitals,
// digits, punctuation, blanks, Enter; the typographic apostrophe as the
// apostrophe key. A character with no key on that keyboard ends the word. A
// word holding a letter of the other script is counted apart, and typed only
// when the writer switches layouts. `onWord`, when given, hears of every word
// with a letter in it.
ReplayCounts ReplayText(SpellingEngine& engine, std::string_view utf8Text,
                        const std::function<void(const ReplayedWord&)>& onWord = {}, ReplayOptions options = {});

// Prints the counts and the `top` words most often marked wrong.
void PrintReplayReport(const ReplayCounts& counts, std::ostream& out, size_t top = 20);

}  // namespace vuruzid::check
