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

std::string_view LanguageName(int language) { return language == SpellingEngine::kRussian ? "Russian" : "English"; }

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
    if (!list.empty() && !IsAcceptedWord(list, word)) {
      // What the keys spell in the other layout leads, as in the window's list.
      if (const std::string other = engine.OtherLayoutSpelling(word); !other.empty())
        out << ' ' << cp1251::ToUtf8(other) << " (" << (engine.language() == SpellingEngine::kEnglish ? "ru" : "en")
            << " layout)";
      for (const auto& correction : engine.CorrectionsOf(word)) out << ' ' << cp1251::ToUtf8(correction);
    }
    out << '\n';
    if (const std::string problem = engine.TakeCorrectionProblem(); !problem.empty()) tell(problem);
  }
  return unchecked;
}

void PrintOutputs(const SpellingEngine& engine, const KeyStroke& key, const SpellingEngine::KeyStrokeResult& result,
                  std::ostream& out) {
  const Display& shown = engine.display();
  if (key.pointerButton != 0)
    out << "click " << int{key.pointerButton};
  else
    out << "key " << int{key.virtualKey};
  out << ": word \"" << cp1251::ToUtf8(shown.word) << "\" " << (shown.wordColour == kRedColour ? "red" : "lime") << ", "
      << shown.mode << ", beeps " << result.beeps << ", suggestions:";
  PrintWordList(shown.suggestions, out);
  out << '\n';
  if (!result.judgedWord.empty())
    out << "  judged \"" << cp1251::ToUtf8(result.judgedWord) << "\" " << (result.judgedWrong ? "wrong" : "right") << '\n';
  if (!result.droppedWord.empty()) out << "  dropped \"" << cp1251::ToUtf8(result.droppedWord) << "\"\n";
  if (!result.otherLayoutWord.empty()) out << "  other layout \"" << cp1251::ToUtf8(result.otherLayoutWord) << "\"\n";
  if (result.switchedByTyping) out << "  switched to " << LanguageName(engine.language()) << " by typing\n";
}

namespace {

// Keypad keys by name: their codes with Num Lock on, and off (0: the same).
struct KeypadKey {
  std::string_view name;
  uint8_t withNumLock, withoutNumLock;
};
constexpr KeypadKey kKeypad[] = {
    {"kp0", 96, 45},  {"kp1", 97, 35},  {"kp2", 98, 40},  {"kp3", 99, 34}, {"kp4", 100, 37}, {"kp5", 101, 12},
    {"kp6", 102, 39}, {"kp7", 103, 36}, {"kp8", 104, 38}, {"kp9", 105, 33}, {"kp.", 110, 46}, {"kp*", 106, 0},
    {"kp+", 107, 0},  {"kp-", 109, 0},  {"kp/", 111, 0},
};

constexpr uint8_t kCapsLock = 20, kNumLock = 144;

}  // namespace

std::optional<std::vector<KeyStroke>> ParseKeyStrokes(std::string_view text, int16_t insertKeyState) {
  std::vector<KeyStroke> keys;
  std::string item;
  bool capsLock = false, numLock = true;
  const auto takeItem = [&] {
    if (item.empty()) return true;
    KeyStroke key{.insertKeyState = insertKeyState};
    std::string_view rest = item;
    const auto takeModifier = [&] {
      for (const std::string_view modifier : {"ctrl+", "alt+", "super+", "shift+"}) {
        if (rest.size() > modifier.size() && EqualIgnoringAsciiCase(rest.substr(0, modifier.size()), modifier)) {
          rest.remove_prefix(modifier.size());
          (modifier == "shift+" ? key.shift : key.command) = true;
          return true;
        }
      }
      return false;
    };
    while (takeModifier()) {
    }
    const auto named = [&rest](std::string_view name) { return EqualIgnoringAsciiCase(rest, name); };
    const auto keypad = std::ranges::find_if(kKeypad, [&](const KeypadKey& k) { return named(k.name); });
    if (named("click") || named("middleclick") || named("rightclick")) {
      if (key.command || key.shift) return false;
      key.pointerButton = named("click") ? 1 : named("middleclick") ? 2 : 3;
    } else if (named("paste")) {
      key.virtualKey = 'V';
      key.command = true;
    } else if (keypad != std::end(kKeypad)) {
      key.virtualKey = numLock || keypad->withoutNumLock == 0 ? keypad->withNumLock : keypad->withoutNumLock;
    } else {
      unsigned code = 256;
      const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), code);
      if (error != std::errc() || end != rest.data() + rest.size() || code > 255) return false;
      key.virtualKey = static_cast<uint8_t>(code);
    }
    // The lock keys change what the keys after them type.
    if (!key.command && key.virtualKey == kCapsLock) capsLock = !capsLock;
    if (!key.command && key.virtualKey == kNumLock) numLock = !numLock;
    key.capsLock = capsLock;
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
  for (const KeyStroke& key : keys) {
    const auto result = engine.ProcessKeyStroke(key, false);
    PrintOutputs(engine, key, result, out);
  }
}

}  // namespace vuruzid::check
