#include "tools/check/CheckCommands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ostream>

#include "engine/Cp1251.h"
#include "engine/TextLines.h"
#include "engine/WordJudge.h"
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

int SuggestWords(SpellingEngine& engine, const std::vector<std::string>& utf8Words, std::ostream& out,
                 const std::function<void(const std::string&)>& tell) {
  const WordList& list = engine.wordList();
  int unchecked = 0;
  for (const auto& utf8 : utf8Words) {
    const auto text = cp1251::FromUtf8(utf8);
    if (!text) {
      out << cp1251::Trim(utf8) << ":\n";
      tell(std::string(cp1251::Trim(utf8)) + ": cannot be checked (holds a character outside Windows-1251)");
      ++unchecked;
      continue;
    }
    const std::string word = cp1251::DictionarySpelling(cp1251::Trim(*text));
    if (word.empty()) continue;
    out << cp1251::ToUtf8(word) << ':';
    if (!list.empty() && !IsAcceptedWord(list, word))
      for (const auto& correction : engine.CorrectionsOf(word)) out << ' ' << cp1251::ToUtf8(correction);
    out << '\n';
    if (const std::string problem = engine.TakeCorrectionProblem(); !problem.empty()) tell(problem);
  }
  return unchecked;
}

void PrintOutputs(const SpellingEngine& engine, int key, int beeps, std::ostream& out) {
  const Display& shown = engine.display();
  out << "key " << key << ": word \"" << cp1251::ToUtf8(shown.word) << "\" "
      << (shown.wordColour == kRedColour ? "red" : "lime") << ", " << shown.mode << ", beeps " << beeps
      << ", suggestions:";
  PrintWordList(shown.suggestions, out);
  out << '\n';
}

std::optional<std::vector<KeyStroke>> ParseKeyStrokes(std::string_view text, int16_t insertKeyState) {
  std::vector<KeyStroke> keys;
  std::string item;
  const auto takeItem = [&] {
    if (item.empty()) return true;
    KeyStroke key{.insertKeyState = insertKeyState};
    std::string_view rest = item;
    const auto takeModifier = [&rest] {
      for (const std::string_view modifier : {"ctrl+", "alt+", "super+"}) {
        if (rest.size() > modifier.size() && EqualIgnoringAsciiCase(rest.substr(0, modifier.size()), modifier)) {
          rest.remove_prefix(modifier.size());
          return true;
        }
      }
      return false;
    };
    while (takeModifier()) key.command = true;
    unsigned code = 256;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), code);
    if (error != std::errc() || end != rest.data() + rest.size() || code > 255) return false;
    key.virtualKey = static_cast<uint8_t>(code);
    keys.push_back(key);
    item.clear();
    return true;
  };
  for (const char c : text) {
    if (c == ',' || std::isspace(static_cast<unsigned char>(c))) {
      if (!takeItem()) return std::nullopt;
    } else {
      item += c;
    }
  }
  if (!takeItem() || keys.empty()) return std::nullopt;
  return keys;
}

void ReplayKeys(SpellingEngine& engine, const std::vector<KeyStroke>& keys, std::ostream& out) {
  for (const KeyStroke& key : keys)
    PrintOutputs(engine, key.virtualKey, engine.ProcessKeyStroke(key, false).beeps, out);
}

}  // namespace vuruzid::check
