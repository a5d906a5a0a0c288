#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/LanguageLibrary.h"

namespace vuruzid::testing {

// Writes a language library holding `words` (Windows-1251) as ids 1..N, with
// string 0 the word count, or `countText` when given.
inline void WriteDictionary(const std::filesystem::path& path, const std::vector<std::string>& words,
                            std::optional<std::string> countText = std::nullopt) {
  std::vector<std::string> strings{countText.value_or(std::to_string(words.size()))};
  strings.insert(strings.end(), words.begin(), words.end());
  if (!WriteLanguageLibrary(path, strings)) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace vuruzid::testing
