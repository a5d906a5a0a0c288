#include "tools/check/TextReplay.h"

#include <algorithm>
#include <array>
#include <iomanip>
#include <utility>
#include <ostream>
#include <vector>

#include "engine/Cp1251.h"
#include "engine/VirtualKeys.h"

namespace vuruzid::check {
namespace {

using namespace std::string_view_literals;

constexpr int kWordEndKey = 32;  // stands for any key that ends a word

// The key that types a character, and whether Shift is held for it.
struct Stroke {
  uint8_t key = 0;  // 0: no key on this keyboard
  bool shift = false;
};

// One keyboard: the strokes of ASCII characters and of the Cyrillic block.
struct Keyboard {
  std::array<Stroke, 128> ascii{};
  std::array<Stroke, 0x60> cyrillic{};  // U+0400..U+045F
  Stroke apostrophe{};                  // for the typographic apostrophes
};

void Put(std::array<Stroke, 128>& table, std::string_view plain, std::string_view shifted, const uint8_t* keys) {
  for (size_t i = 0; i < plain.size(); ++i) table[static_cast<uint8_t>(plain[i])] = {keys[i], false};
  for (size_t i = 0; i < shifted.size(); ++i) table[static_cast<uint8_t>(shifted[i])] = {keys[i], true};
}

Keyboard UsKeyboard() {
  Keyboard k;
  for (char c = 'a'; c <= 'z'; ++c) {
    k.ascii[c] = {static_cast<uint8_t>(c - 'a' + 'A'), false};
    k.ascii[c - 'a' + 'A'] = {static_cast<uint8_t>(c - 'a' + 'A'), true};
  }
  static constexpr uint8_t digitKeys[] = {48, 49, 50, 51, 52, 53, 54, 55, 56, 57};
  Put(k.ascii, "0123456789", ")!@#$%^&*(", digitKeys);
  static constexpr uint8_t punctuationKeys[] = {189, 187, 219, 221, 220, 186, 222, 188, 190, 191, 192};
  Put(k.ascii, "-=[]\\;',./`", "_+{}|:\"<>?~", punctuationKeys);
  k.apostrophe = {222, false};
  return k;
}

Keyboard RussianKeyboard() {
  Keyboard k;
  // а б в г д е ж з и й к л м н о п р с т у ф х ц ч ш щ ъ ы ь э ю я on US key codes.
  static constexpr uint8_t letterKeys[32] = {70, 188, 68, 85, 76, 84, 186, 80, 66, 81, 82, 75, 86, 89, 74, 71,
                                             72, 67,  78, 69, 65, 219, 87, 88, 73, 79, 221, 83, 77, 222, 190, 90};
  for (int i = 0; i < 32; ++i) {
    k.cyrillic[0x30 + i] = {letterKeys[i], false};  // а..я
    k.cyrillic[0x10 + i] = {letterKeys[i], true};   // А..Я
  }
  k.cyrillic[0x51] = {192, false};  // ё
  k.cyrillic[0x01] = {192, true};   // Ё
  static constexpr uint8_t digitKeys[] = {48, 49, 50, 51, 52, 53, 54, 55, 56, 57};
  Put(k.ascii, "0123456789", ")!\"\0;%:?*("sv, digitKeys);  // Shift+3 types №
  static constexpr uint8_t otherKeys[] = {189, 187, 220, 191};
  Put(k.ascii, "-=\\.", "_+/,", otherKeys);
  k.ascii[0] = {};
  return k;
}

const Keyboard& KeyboardFor(int language) {
  static const Keyboard us = UsKeyboard(), russian = RussianKeyboard();
  return language == SpellingEngine::kRussian ? russian : us;
}

enum class Script { None, Latin, Cyrillic };

Script LetterScript(char32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return Script::Latin;
  if (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) return Script::Latin;
  if (c >= 0x400 && c <= 0x4FF) return Script::Cyrillic;
  return Script::None;
}

constexpr bool IsApostrophe(char32_t c) { return c == '\'' || c == 0x2019 || c == 0x2018 || c == '`'; }
constexpr bool IsWordJoiner(char32_t c) { return IsApostrophe(c) || c == '-' || (c >= '0' && c <= '9'); }

// Presses keys on the engine and keeps the counts.
class Typist {
 public:
  Typist(SpellingEngine& engine, ReplayCounts& counts, bool followLayout)
      : engine_(engine), counts_(counts), followLayout_(followLayout) {}

  // The writer switched the keyboard to a group of this script: the next key tells.
  void SwitchTo(KeyScript script) { switchedTo_ = script; }

  void Press(int key, bool shift = false) {
    const KeyStroke stroke{.virtualKey = static_cast<uint8_t>(key),
                           .switchedTo = std::exchange(switchedTo_, KeyScript::Unknown),
                           .shift = shift};
    const auto result = engine_.ProcessKeyStroke(stroke, followLayout_);
    counts_.beeps += result.beeps;
    ++counts_.keys;
    if (result.judgedWrong) {
      ++marks_;
      ++counts_.wordsMarked;
      ++counts_.markedWords[cp1251::ToUtf8(result.judgedWord)];
    }
  }

  void Type(char32_t c, const Keyboard& keyboard) {
    Stroke stroke;
    if (c < 128)
      stroke = keyboard.ascii[c];
    else if (c >= 0x400 && c < 0x460)
      stroke = keyboard.cyrillic[c - 0x400];
    else if (c == 0x2019 || c == 0x2018)
      stroke = keyboard.apostrophe;
    if (c == '\r') return;  // the LF of CR LF is the Enter key
    if (c == '\n') stroke = {13, false};
    if (c == '\t') stroke = {9, false};
    if (c == ' ') stroke = {32, false};
    if (stroke.key == 0) stroke.key = kWordEndKey;
    if (stroke.shift) Press(vk::kShift, true);
    Press(stroke.key, stroke.shift);
  }

  size_t TakeMarks() { return std::exchange(marks_, 0); }

 private:
  SpellingEngine& engine_;
  ReplayCounts& counts_;
  bool followLayout_;
  KeyScript switchedTo_ = KeyScript::Unknown;
  size_t marks_ = 0;
};

}  // namespace

ReplayCounts ReplayText(SpellingEngine& engine, std::string_view text,
                        const std::function<void(const ReplayedWord&)>& onWord, ReplayOptions options) {
  ReplayCounts counts;
  const int ownLanguage = engine.language();
  const Script own = ownLanguage == SpellingEngine::kRussian ? Script::Cyrillic : Script::Latin;
  Typist typist(engine, counts, options.followLayout);
  bool typingOwn = true;  // on the keyboard layout of the text's own language
  const auto switchLayout = [&](bool toOwn) {
    if (typingOwn == toOwn) return;
    typingOwn = toOwn;
    typist.SwitchTo((own == Script::Cyrillic) == toOwn ? KeyScript::Cyrillic : KeyScript::Latin);
  };
  const auto keyboard = [&]() -> const Keyboard& {
    return KeyboardFor(typingOwn ? ownLanguage : SpellingEngine::kEnglish + SpellingEngine::kRussian - ownLanguage);
  };
  std::vector<char32_t> word;

  // The word last typed hears of the marks its end brought, once the next begins.
  std::string_view pendingWord;
  bool pending = false;
  const auto settlePending = [&] {
    if (pending && onWord) onWord({pendingWord, false, typist.TakeMarks()});
    pending = false;
    typist.TakeMarks();
  };

  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    const char32_t c = cp1251::DecodeUtf8(text, pos);
    if (LetterScript(c) == Script::None && !IsWordJoiner(c)) {
      typist.Type(c, keyboard());
      continue;
    }
    // A word: letters, digits, apostrophes and hyphens.
    word.assign(1, c);
    size_t end = pos;
    while (end < text.size()) {
      size_t next = end;
      const char32_t d = cp1251::DecodeUtf8(text, next);
      if (LetterScript(d) == Script::None && !IsWordJoiner(d)) break;
      word.push_back(d);
      end = next;
    }
    pos = end;
    bool hasOwn = false, hasOther = false;
    for (char32_t d : word) {
      const Script s = LetterScript(d);
      hasOwn |= s == own;
      hasOther |= s != Script::None && s != own;
    }
    settlePending();
    const std::string_view written = text.substr(start, end - start);
    if (hasOther) ++counts.otherScriptWords;
    if (hasOther && !options.switchLayouts) {
      if (onWord) onWord({written, true, 0});
      typist.Press(kWordEndKey);
      typist.TakeMarks();  // a mark here belongs to the word before
      continue;
    }
    if (options.switchLayouts && (hasOwn || hasOther)) switchLayout(!hasOther);
    for (char32_t d : word) typist.Type(d, keyboard());
    if (hasOwn || hasOther) {
      ++counts.wordsTyped;
      pendingWord = written;
      pending = true;
    }
  }
  typist.Press(kWordEndKey);
  settlePending();
  return counts;
}

void PrintReplayReport(const ReplayCounts& counts, std::ostream& out, size_t top) {
  const double perThousand = counts.wordsTyped ? 1000.0 * counts.wordsMarked / counts.wordsTyped : 0.0;
  out << "words typed: " << counts.wordsTyped << '\n'
      << "words marked wrong: " << counts.wordsMarked << '\n'
      << "alarms per 1,000 words: " << std::fixed << std::setprecision(1) << perThousand << '\n'
      << "beeps: " << counts.beeps << '\n'
      << "words in the other script, not typed: " << counts.otherScriptWords << '\n';
  std::vector<std::pair<std::string, size_t>> marked(counts.markedWords.begin(), counts.markedWords.end());
  std::ranges::stable_sort(marked, [](const auto& a, const auto& b) { return a.second > b.second; });
  if (marked.size() > top) marked.resize(top);
  if (!marked.empty()) out << "most frequent words marked wrong:\n";
  for (const auto& [word, count] : marked) out << "  " << count << "  " << word << '\n';
}

}  // namespace vuruzid::check
