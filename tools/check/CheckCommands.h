#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/SpellingEngine.h"

namespace vuruzid::check {

// Checks each UTF-8 word: known or not, with the nine dictionary entries
// around it. Returns the number of unknown words.
int CheckWords(const SpellingEngine& engine, const std::vector<std::string>& utf8Words, std::ostream& out);

// Feeds virtual-key codes to the interpreter and prints its outputs after each.
void ReplayKeys(SpellingEngine& engine, const std::vector<int>& keys, int16_t insertKeyState, std::ostream& out);

// Prints the interpreter's outputs after one key.
void PrintOutputs(const SpellingEngine& engine, int key, int beeps, std::ostream& out);

}  // namespace vuruzid::check
