#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "engine/SpellingEngine.h"

namespace vuruzid::check {

// Where the tools find their files: the user words under `folder`, the
// dictionaries in `folder`, then the current directory and the tools' folder.
EngineFiles ToolEngineFiles(const std::filesystem::path& folder);

// The language a tool is asked for by name, "en" or "ru".
std::optional<int> LanguageNamed(std::string_view name);

// Makes `language` current; false, with the reason told, when it cannot be.
bool ActivateForTool(SpellingEngine& engine, int language, const std::function<void(const std::string&)>& tell);

// Checks each UTF-8 word: known or not, with the nine dictionary entries
// around it. Returns the number of unknown words.
int CheckWords(const SpellingEngine& engine, const std::vector<std::string>& utf8Words, std::ostream& out);

// Prints each UTF-8 word as the word display shows it, a colon, and its best
// corrections, best first; nothing after the colon when the word is accepted
// or has no candidates. A wrong word whose keys spell a word of the other
// language in its layout has that word first, marked " (ru layout)" or
// " (en layout)". The user's words count as the engine counts them.
// `tell` hears of words outside Windows-1251 (printed with nothing after the
// colon) and, once, why the frequencies could not be used. Returns the
// number of words that could not be checked.
int SuggestWords(SpellingEngine& engine, const std::vector<std::string>& utf8Words, std::ostream& out,
                 const std::function<void(const std::string&)>& tell);

// Key codes as written on the command line: decimal virtual-key codes
// separated by commas or blanks, each optionally after held modifiers
// ("ctrl+65", "alt+9", "super+76": a shortcut; "shift+65": a capital);
// "click", "middleclick" and "rightclick" for the mouse buttons, "paste" for
// Ctrl+V, and "kp0"-"kp9", "kp.", "kp+", "kp-", "kp*", "kp/" for the keypad,
// which types digits while Num Lock (144) is on (it starts on) and moves the
// caret while it is off; Caps Lock (20) capitalises the letters after it.
// Nothing when one item is none of these.
std::optional<std::vector<KeyStroke>> ParseKeyStrokes(std::string_view text, int16_t insertKeyState);

// Feeds key-downs to the interpreter and prints its outputs after each.
void ReplayKeys(SpellingEngine& engine, const std::vector<KeyStroke>& keys, std::ostream& out);

// Prints the interpreter's outputs after one key or click, then, on lines of
// their own, the word it judged, the word it dropped unjudged, the other
// language's word the keys spelt in its layout, and a switch of the language
// that typing in that layout made.
void PrintOutputs(const SpellingEngine& engine, const KeyStroke& key, const SpellingEngine::KeyStrokeResult& result,
                  std::ostream& out);

}  // namespace vuruzid::check
