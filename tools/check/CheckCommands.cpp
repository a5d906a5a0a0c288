#include "tools/check/CheckCommands.h"

#include <algorithm>
#include <ostream>

#include "engine/Cp1251.h"
#include "platform/ProgramFolder.h"

namespace vuruzid::check {
namespace {

constexpr size_t kNeighbours = 9;

void PrintWordList(const std::vector<std::string>& words, std::ostream& out) {
  if (words.empty()) out << " -";
  for (const auto& w : words) out << ' ' << cp1251::ToUtf8(w);
}

}  // namespace

EngineFiles ToolEngineFiles(const std::filesystem::path& folder) {
  EngineFiles files{folder, {folder}};
  for (auto& path : platform::LibrarySearchPath()) files.librarySearchPath.push_back(path);
  return files;
}

std::optional<int> LanguageNamed(std::string_view name) {
  if (name == "en") return SpellingEngine::kEnglish;
  if (name == "ru") return SpellingEngine::kRussian;
  return std::nullopt;
}

bool ActivateForTool(SpellingEngine& engine, int language, const std::function<void(const std::string&)>& tell) {
  try {
    engine.ActivateLanguage(language);
    return true;
  } catch (const EngineError& e) {
    tell(e.what());
    return false;
  }
}

int CheckWords(const SpellingEngine& engine, const std::vector<std::string>& utf8Words, std::ostream& out) {
  const WordList& list = engine.wordList();
  int unknown = 0;
  for (const auto& utf8 : utf8Words) {
    const auto text = cp1251::FromUtf8(utf8);
    if (!text) {
      out << utf8 << ": cannot be checked (holds a character outside Windows-1251)\n";
      ++unknown;
      continue;
    }
    const std::string word = cp1251::DictionarySpelling(cp1251::Trim(*text));
    if (word.empty()) continue;
    const bool known = list.Contains(word);
    if (!known) ++unknown;

    const size_t index = list.LowerBound(word);
    const size_t start = index > 0 ? index - 1 : 0;
    std::vector<std::string> around;
    for (size_t i = start; i < std::min(start + kNeighbours, list.size()); ++i) around.emplace_back(list[i]);
    out << cp1251::ToUtf8(word) << ": " << (known ? "known" : "unknown") << "\n  neighbours:";
    PrintWordList(around, out);
    out << '\n';
  }
  return unknown;
}

void PrintOutputs(const SpellingEngine& engine, int key, int beeps, std::ostream& out) {
  const Display& shown = engine.display();
  out << "key " << key << ": word \"" << cp1251::ToUtf8(shown.word) << "\" "
      << (shown.wordColour == kRedColour ? "red" : "lime") << ", " << shown.mode << ", beeps " << beeps
      << ", suggestions:";
  PrintWordList(shown.suggestions, out);
  out << '\n';
}

void ReplayKeys(SpellingEngine& engine, const std::vector<int>& keys, int16_t insertKeyState, std::ostream& out) {
  for (int key : keys) PrintOutputs(engine, key, engine.ProcessKey(key, insertKeyState), out);
}

}  // namespace vuruzid::check
