#include <map>
#include "EngineFixture.h"

namespace vuruzid {
namespace {

using Words = std::vector<std::string>;
constexpr int16_t kInsertOn = 1, kInsertOff = 0;
constexpr int kSpace = 32, kBackspace = 8, kLeft = 37, kRight = 39;

class ProcessKey : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    WriteEnglish({"CAT", "CATS", "DOG", "EMU", "FOX", "GNU", "HEN"});
    WriteRussian({"КОТ", "ХОРОШО", "ЭХО"});
    Engine().ActivateLanguage(0);
  }

  // Types the keys and returns the beeps the last one asked for.
  int Type(std::initializer_list<int> keys, int16_t insert = kInsertOn) {
    int beeps = 0;
    for (int key : keys) beeps = Engine().ProcessKey(key, insert);
    return beeps;
  }
  const Display& Shown() { return Engine().display(); }
};

TEST_F(ProcessKey, TheRoadOfOneKey) {
  EXPECT_EQ(Type({'C'}), 0);
  EXPECT_EQ(Shown().word, "C");
  EXPECT_EQ(Shown().wordColour, kLimeColour);
  EXPECT_EQ(Shown().mode, "Insert");
  EXPECT_TRUE(Shown().suggestions.empty());  // lower bound 0

  EXPECT_EQ(Type({'A'}), 0);
  EXPECT_EQ(Engine().lookupIndex(), 0u);

  EXPECT_EQ(Type({'X'}), 1);  // no word starts with CAX
  EXPECT_EQ(Shown().word, "CAX");
  EXPECT_EQ(Shown().wordColour, kRedColour);
  EXPECT_EQ(Engine().lookupIndex(), 2u);
  EXPECT_EQ(Shown().suggestions, (Words{"CATS", "DOG", "EMU", "FOX", "GNU", "HEN"}));

  EXPECT_EQ(Type({kSpace}), 2);  // marked, and the prefix check fails again
  EXPECT_EQ(Shown().word, "CAX_");
  EXPECT_EQ(Shown().wordColour, kRedColour);
}

TEST_F(ProcessKey, AKnownWordVanishesAtItsEnd) {
  EXPECT_EQ(Type({'C', 'A'}), 0);
  EXPECT_EQ(Shown().word, "CA");
  EXPECT_EQ(Type({'T', kSpace}), 0);
  EXPECT_EQ(Shown().word, "");
  EXPECT_EQ(Engine().currentWord(), "");
  EXPECT_EQ(Engine().cursorPos(), 0u);
  EXPECT_EQ(Shown().wordColour, kLimeColour);
}

TEST_F(ProcessKey, AWrongWordIsMarkedUntilTheNextWordStarts) {
  EXPECT_EQ(Type({'D', 'O', 'G', 'S'}), 1);
  EXPECT_EQ(Shown().wordColour, kRedColour);
  EXPECT_EQ(Shown().suggestions, (Words{"DOG", "EMU", "FOX", "GNU", "HEN"}));
  EXPECT_EQ(Type({kSpace}), 2);
  EXPECT_EQ(Shown().word, "DOGS_");

  // A second word end clears it...
  EXPECT_EQ(Type({kSpace}), 0);
  EXPECT_EQ(Shown().word, "");

  // ...or a letter starts a new word with that letter.
  Type({'D', 'O', 'G', 'S', kSpace});
  EXPECT_EQ(Type({'E'}), 0);
  EXPECT_EQ(Shown().word, "E");
  EXPECT_EQ(Engine().cursorPos(), 1u);
}

TEST_F(ProcessKey, BackspaceBringsAWordBack) {
  Type({'D', 'O', 'G', 'S'});
  EXPECT_EQ(Type({kBackspace}), 0);
  EXPECT_EQ(Shown().word, "DOG");
  EXPECT_EQ(Shown().wordColour, kLimeColour);

  // Deleting the marker puts the plain word back under the prefix check.
  Type({'S', kSpace});
  EXPECT_EQ(Shown().word, "DOGS_");
  EXPECT_EQ(Type({kBackspace}), 1);
  EXPECT_EQ(Shown().word, "DOGS");
}

TEST_F(ProcessKey, CaretMovesInsertAndOverwrite) {
  EXPECT_EQ(Type({'C', 'A', 'T', kLeft, kLeft, 'H'}), 1);
  EXPECT_EQ(Shown().word, "CHAT");
  EXPECT_EQ(Engine().cursorPos(), 2u);

  Engine().ResetWord();
  Type({'C', 'A', 'T', kLeft, kLeft});
  Type({'H'}, kInsertOff);
  EXPECT_EQ(Shown().word, "CHT");
  EXPECT_EQ(Shown().mode, "Overwr.");

  // A mark overwrites too; Enter inserts.
  Engine().ResetWord();
  Type({'C', 'A', 'T', 'S', kLeft, kLeft});
  Type({190, kBackspace}, kInsertOff);
  EXPECT_EQ(Shown().word, "CAS");
  Type({'T', kLeft, 13}, kInsertOff);
  EXPECT_EQ(Shown().word, "T");

  // Overwriting at the end of the word appends.
  Engine().ResetWord();
  Type({'C', 'A'}, kInsertOff);
  EXPECT_EQ(Shown().word, "CA");
}

TEST_F(ProcessKey, CaretStopsAtTheWordsEnds) {
  Type({'C', 'A', 'T', kLeft, kLeft, kLeft});
  EXPECT_EQ(Engine().cursorPos(), 0u);
  Type({kBackspace});  // deletes what was never seen: nothing of CAT
  EXPECT_EQ(Shown().word, "CAT");
  Type({kRight, kRight, kRight});
  EXPECT_EQ(Engine().cursorPos(), 3u);
  Type({kLeft, kBackspace});
  EXPECT_EQ(Shown().word, "CT");
  EXPECT_EQ(Engine().cursorPos(), 1u);
}

TEST_F(ProcessKey, EveryCaretKeyChecksAndBeepsAgain) {
  EXPECT_EQ(Type({'C', 'A', 'X'}), 1);
  EXPECT_EQ(Type({kLeft}), 1);
  EXPECT_EQ(Type({kLeft}), 1);
  EXPECT_EQ(Engine().cursorPos(), 1u);
  // A blank inside the word splits it, as in the editor: C is judged (a
  // lone letter is never wrong) and the caret stands before AX.
  EXPECT_EQ(Type({kSpace}), 1);
  EXPECT_EQ(Shown().word, "AX");
  EXPECT_EQ(Engine().cursorPos(), 0u);
  EXPECT_EQ(Type({'D'}), 1);
  EXPECT_EQ(Shown().word, "DAX");
}

TEST_F(ProcessKey, IgnoredKeysOnlyUpdateTheMode) {
  Type({'D', 'O', 'G', 'S'});
  const Display before = Shown();
  for (int key : {16, 45}) {
    EXPECT_EQ(Engine().ProcessKey(key, kInsertOff), 0);
    EXPECT_EQ(Shown().mode, "Overwr.");
    EXPECT_EQ(Shown().word, before.word);
    EXPECT_EQ(Shown().wordColour, kRedColour);
    EXPECT_EQ(Shown().suggestions, before.suggestions);
  }
  // Held down (sign bit) is not insert mode even while toggled on.
  Engine().ProcessKey(16, static_cast<int16_t>(0x8001));
  EXPECT_EQ(Shown().mode, "Overwr.");
  EXPECT_EQ(Engine().insertMode(), static_cast<int16_t>(0x8001));
}

TEST_F(ProcessKey, OnlyLetterKeysTypeLetters) {
  Type({192, 189});
  EXPECT_EQ(Shown().word, "`-");
  Engine().ResetWord();
  Type({222});
  EXPECT_EQ(Shown().word, "`");
  // Keypad digits and operators, F-keys, [ ] and codes no key types as a
  // letter are no word characters.
  for (int key : {96, 97, 105, 106, 107, 109, 111, 112, 116, 123, 135, 219, 221, 193, 224, 226}) {
    Engine().ResetWord();
    Type({'C', 'A', key, 'T'});
    EXPECT_EQ(Shown().word, "T") << key;
  }
}

TEST_F(ProcessKey, RussianLayout) {
  Engine().SwitchLanguage();
  Type({219});
  EXPECT_EQ(Shown().word, "\xD5");  // Х
  Type({'J', 'H', 'J', 'I', 'J'});  // ОРОШО
  EXPECT_EQ(Shown().word, *cp1251::FromUtf8("ХОРОШО"));
  EXPECT_EQ(Shown().wordColour, kLimeColour);
  EXPECT_EQ(Type({kSpace}), 0);
  Type({222, 192, 186, 188, 190, 221});  // the key left of 1 types Ё, spelled Е as in the lists
  EXPECT_EQ(Shown().word, *cp1251::FromUtf8("ЭЕЖБЮЪ"));
}

TEST_F(ProcessKey, WordEndWithNothingTypedSignalsNothing) {
  EXPECT_EQ(Type({'1'}), 0);
  EXPECT_EQ(Shown().word, "");
  EXPECT_EQ(Shown().wordColour, kLimeColour);
  // Blanks end the word at once, digits and marks at the next key, the
  // others let go of it: none of them shows CAT again.
  for (int key : {13, 9, 32, 27, 186, 187, 188, 190, 191, 53, 38, 40, 33, 34, 116}) {
    Type({'C', 'A', 'T', key});
    EXPECT_EQ(Type({kSpace}), 0) << key;
    EXPECT_EQ(Shown().word, "") << key;
  }
  // Caps Lock, Delete and End at the end of the word leave it being typed.
  for (int key : {20, 46, 35, 144}) {
    Engine().ResetWord();
    Type({'C', 'A', 'T', key});
    EXPECT_EQ(Shown().word, "CAT") << key;
  }
}

TEST_F(ProcessKey, LettersThatCannotStartAWordTurnRedAtTheSecond) {
  // No word starts with O, but a lone letter is never wrong (an initial);
  // OG occurs inside DOG but no word starts with it.
  EXPECT_EQ(Type({'O'}), 0);
  EXPECT_EQ(Shown().wordColour, kLimeColour);
  EXPECT_EQ(Type({'G'}), 1);
  EXPECT_EQ(Shown().wordColour, kRedColour);
}

TEST_F(ProcessKey, TheSignalSwitchSilencesOnlyTheBeep) {
  Engine().setSignalEnabled(0);
  EXPECT_EQ(Type({'C', 'A', 'X', kSpace}), 0);
  EXPECT_EQ(Shown().wordColour, kRedColour);
  EXPECT_EQ(Shown().word, "CAX_");
}

TEST_F(ProcessKey, SuggestionsAreTheNineEntriesAroundTheWord) {
  std::vector<std::string> words;
  for (char c = 'A'; c <= 'Z'; ++c) words.push_back(std::string(2, c));
  WriteEnglish(words);
  Engine().ActivateLanguage(0);
  Type({'M'});
  EXPECT_EQ(Engine().lookupIndex(), 12u);
  EXPECT_EQ(Shown().suggestions, (Words{"LL", "MM", "NN", "OO", "PP", "QQ", "RR", "SS", "TT"}));
  Engine().ResetWord();
  Type({'Y', 'Z'});  // near the end: fewer than nine
  EXPECT_EQ(Shown().suggestions, (Words{"YY", "ZZ"}));
  Engine().ResetWord();
  Type({'B'});  // index 1: the list stays empty
  EXPECT_TRUE(Shown().suggestions.empty());
}

TEST_F(ProcessKey, WithoutADictionaryNothingIsJudged) {
  std::filesystem::remove(dir_ / "english.dll");
  Engine().ActivateLanguage(0);
  EXPECT_EQ(Type({'Q', 'Z'}), 0);
  EXPECT_EQ(Shown().wordColour, kLimeColour);
  EXPECT_EQ(Type({kSpace}), 0);
  EXPECT_EQ(Shown().word, "");
  EXPECT_TRUE(Shown().suggestions.empty());
}

TEST_F(ProcessKey, AddedWordsAreKnownAtOnce) {
  Type({'C', 'A', 'X', kSpace});
  Engine().AddUserWord("CAX");
  EXPECT_EQ(Shown().word, "CAX");
  EXPECT_EQ(Shown().wordColour, kLimeColour);
  Engine().ResetWord();
  EXPECT_EQ(Type({'C', 'A', 'X', kSpace}), 0);
  EXPECT_EQ(Shown().word, "");
}

// Real text: dashes, quotes typed with the apostrophe key, hyphenated words and
// Ё. Each row is typed key by key into an empty word; rows with no beeps must
// stay lime and silent at every key.
struct TypedText {
  const char* what;
  int language;
  std::vector<int> keys;  // virtual-key codes, with the flags below
  const char* wordAfter;  // UTF-8
  int beeps;              // over all keys
};

constexpr int kHyphen = 189, kQuote = 222, kIoKey = 192, kBackslash = 220;
// A key pressed as a shortcut, and the first key typed after switching to a
// Cyrillic or a Latin keyboard group.
constexpr int Command(int key) { return key | 0x100; }
constexpr int Cyrillic(int key) { return key | 0x200; }
constexpr int Latin(int key) { return key | 0x400; }

KeyStroke StrokeOf(int key) {
  const KeyScript script = key & 0x200 ? KeyScript::Cyrillic : key & 0x400 ? KeyScript::Latin : KeyScript::Unknown;
  return {static_cast<uint8_t>(key & 0xFF), kInsertOn, (key & 0x100) != 0, script};
}

const TypedText kTypedTexts[] = {
    {"a dash between words", 0, {'C', 'A', 'T', kSpace, kHyphen, kSpace, 'D', 'O', 'G', kSpace}, "", 0},
    {"a double dash", 0, {kHyphen, kHyphen, kSpace}, "", 0},
    {"a lone quote mark", 0, {kQuote, kSpace}, "", 0},
    {"a quoted word", 0, {kQuote, 'C', 'A', 'T', kQuote, kSpace}, "", 0},
    {"a leading apostrophe", 0, {kQuote, 'C', 'A', 'U', 'S', 'E', kSpace}, "", 0},
    {"a trailing hyphen", 0, {'D', 'O', 'G', kHyphen, kSpace}, "", 0},
    {"digits before a hyphen", 0, {'6', '4', kHyphen, 'D', 'O', 'G', kSpace}, "", 0},
    {"a hyphenated word", 0, {'W', 'E', 'L', 'L', kHyphen, 'K', 'N', 'O', 'W', 'N', kSpace}, "", 0},
    {"a single-letter part", 0, {'E', kHyphen, 'M', 'A', 'I', 'L', kSpace}, "", 0},
    {"a misspelt part", 0, {'W', 'E', 'L', 'L', kHyphen, 'K', 'N', 'W', 'O', 'N', kSpace}, "WELL-KNWON_", 5},
    {"a misspelt first part", 0, {'W', 'E', 'L', 'X', kHyphen, 'C', 'A', 'T', kSpace}, "WELX-CAT_", 7},
    {"a misspelling with quotes", 0, {kQuote, 'C', 'A', 'X', kQuote, kSpace}, "`CAX`_", 4},
    {"the Ё key under English", 0, {kIoKey, kSpace}, "", 0},
    {"ЧТО-ТО", 1, {'X', 'N', 'J', kHyphen, 'N', 'J', kSpace}, "", 0},
    {"64-БИТНЫХ", 1, {'6', '4', kHyphen, 188, 'B', 'N', 'Y', 'S', 219, kSpace}, "", 0},
    {"a dash under Russian", 1, {'X', 'N', 'J', kSpace, kHyphen, kSpace}, "", 0},
    {"КТО-НИБУТЬ", 1, {'R', 'N', 'J', kHyphen, 'Y', 'B', 188, 'E', 'N', 'M', kSpace}, "КТО-НИБУТЬ_", 4},
    {"ЕЩЁ", 1, {'T', 'O', kIoKey, kSpace}, "", 0},
    {"ВСЁ without Ё in the list", 1, {'D', 'C', kIoKey}, "ВСЕ", 0},
    {"ВВОД/ВЫВОД: the slash key ends a word", 1, {'D', 'D', 'J', 'L', 16, 220, 'D', 'S', 'D', 'J'}, "ВЫВО", 0},
    {"cat|dog: the backslash key ends a word under English too", 0, {'C', 'A', 'T', 16, kBackslash, 'D', 'O'}, "DO", 0},
    {"cat\\dog", 0, {'C', 'A', 'T', kBackslash, 'D', 'O', 'G', kSpace}, "", 0},
    {"a shortcut drops the word unjudged", 0, {'D', 'O', Command('A'), 'C', 'A', 'T'}, "CAT", 0},
    {"Ctrl+Backspace", 0, {'D', 'O', 'G', Command(8)}, "", 0},
    {"Alt+Tab", 0, {'W', 'E', 'L', Command(9)}, "", 0},
    {"a finished wrong word outlives a shortcut", 0, {'C', 'A', 'X', kSpace, Command('S')}, "CAX_", 3},
    {"a lone letter: Т. Е.", 1, {'N', 191, kSpace, 'T', 191, kSpace, 'N', kSpace}, "", 0},
    {"a lone letter in quotes, under English", 0, {kQuote, 'Q', kQuote, kSpace}, "", 0},
    {"two letters are a word again", 1, {'N', 'N', kSpace}, "ТТ_", 3},
    {"ВВОД typed after switching to a Cyrillic group", 0, {Cyrillic('D'), 'D', 'J', 'L', kSpace}, "", 0},
    {"CAT typed after switching back to a Latin group", 1, {Latin('C'), 'A', 'T', kSpace}, "", 0},
    {"a shortcut in the other group still switches", 0, {Cyrillic(Command('A')), 'N', 'J', kSpace}, "", 0},
    {"CAX, judged in English as the first key of a Cyrillic group comes", 0, {'C', 'A', 'X', 190, Cyrillic(kSpace)},
     "CAX_", 3},
    {"CAT, judged in English as Shift in a Cyrillic group comes", 0, {'C', 'A', 'T', 188, Cyrillic(16), 'N'}, "Т", 0},
};

class ProcessRealText : public ProcessKey {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    WriteEnglish({"CAT", "CAUSE", "DOG", "E", "KNOWN", "MAIL", "WELL"});
    WriteRussian({"БИТНЫХ", "ВВОД", "ВСЕ", "ВЫВОД", "ЕЩЕ", "КТО", "НИБУДЬ", "ТО", "ЧТО"});
  }
};

TEST_F(ProcessRealText, DashesQuotesHyphensAndIo) {
  for (const TypedText& row : kTypedTexts) {
    SCOPED_TRACE(row.what);
    Engine().ActivateLanguage(row.language);
    Engine().ResetWord();
    int beeps = 0;
    for (int key : row.keys) {
      const int keyBeeps = Engine().ProcessKeyStroke(StrokeOf(key), true).beeps;
      beeps += keyBeeps;
      if (row.beeps == 0) {
        EXPECT_EQ(keyBeeps, 0) << "key " << key;
        EXPECT_EQ(Shown().wordColour, kLimeColour) << "key " << key;
      }
    }
    EXPECT_EQ(cp1251::ToUtf8(Shown().word), row.wordAfter);
    EXPECT_EQ(beeps, row.beeps);
    EXPECT_EQ(Shown().wordColour, row.beeps == 0 ? kLimeColour : kRedColour);
  }
}

TEST_F(ProcessRealText, AGroupSwitchIsTheLanguageButtonUnlessFollowingIsOff) {
  Engine().ActivateLanguage(0);
  Engine().ProcessKeyStroke(StrokeOf('C'), true);
  EXPECT_FALSE(Engine().ProcessKeyStroke(StrokeOf(Cyrillic('J')), false).languageSwitched);
  EXPECT_EQ(Engine().language(), 0);
  EXPECT_EQ(Shown().word, "CJ");
  EXPECT_TRUE(Engine().ProcessKeyStroke(StrokeOf(Cyrillic('N')), true).languageSwitched);
  EXPECT_EQ(Shown().language, "Rus");
  EXPECT_EQ(Shown().word, *cp1251::FromUtf8("CJТ")) << "the word is kept, as the button keeps it";
  EXPECT_FALSE(Engine().ProcessKeyStroke(StrokeOf(Cyrillic('J')), true).languageSwitched) << "already Russian";
}

TEST_F(ProcessRealText, SuggestionsFollowTheWholeWordAsTyped) {
  Engine().ActivateLanguage(0);
  Type({kQuote, 'K'});
  // The grave accent sorts after every Latin capital: `K lies past the last
  // entry, while K alone, which is judged, begins KNOWN.
  EXPECT_EQ(Engine().lookupIndex(), 6u);
  EXPECT_EQ(Shown().suggestions, (Words{"MAIL", "WELL"}));
  EXPECT_EQ(Shown().wordColour, kLimeColour);
}

}  // namespace
}  // namespace vuruzid

namespace vuruzid {
namespace {

// Editing as people do it, written as typed: letters (capitals with Shift),
// blanks, digits and marks, "\n" for Enter, and {key} for the other keys and
// the mouse. What the interpreter judged wrong and dropped unjudged is
// compared with what the editor really holds.
std::vector<KeyStroke> Keystrokes(std::string_view typed) {
  static const std::map<std::string, KeyStroke, std::less<>> kNamed = {
      {"bs", {.virtualKey = 8}},           {"del", {.virtualKey = 46}},
      {"left", {.virtualKey = 37}},        {"right", {.virtualKey = 39}},
      {"home", {.virtualKey = 36}},        {"end", {.virtualKey = 35}},
      {"up", {.virtualKey = 38}},          {"pgdn", {.virtualKey = 34}},
      {"f2", {.virtualKey = 113}},         {"f5", {.virtualKey = 116}},
      {"kp1", {.virtualKey = 97}},         {"kp+", {.virtualKey = 107}},
      {"esc", {.virtualKey = 27}},         {"click", {.pointerButton = 1}},
      {"rclick", {.pointerButton = 3}},    {"middle", {.pointerButton = 2}},
      {"paste", {.virtualKey = 'V', .command = true}},
      {"ctrl-z", {.virtualKey = 'Z', .command = true}},
      {"shiftins", {.virtualKey = 45, .shift = true}},
      {"sleft", {.virtualKey = 37, .shift = true}},
  };
  std::vector<KeyStroke> keys;
  bool capsLock = false;
  for (size_t i = 0; i < typed.size(); ++i) {
    const char c = typed[i];
    KeyStroke key;
    if (c == '{') {
      const size_t close = typed.find('}', i);
      const std::string_view name = typed.substr(i + 1, close - i - 1);
      i = close;
      if (name == "caps") {
        capsLock = !capsLock;
        key.virtualKey = 20;
      } else {
        key = kNamed.find(name)->second;
      }
    } else if (c >= 'a' && c <= 'z') {
      key.virtualKey = static_cast<uint8_t>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      key = {.virtualKey = static_cast<uint8_t>(c), .shift = true};
    } else {
      static const std::map<char, uint8_t> kMarks = {{' ', 32}, {'\n', 13}, {'[', 219}, {',', 188},
                                                     {'.', 190}, {'\'', 222}, {'-', 189}, {'/', 191}};
      key.virtualKey = c >= '0' && c <= '9' ? static_cast<uint8_t>(c) : kMarks.at(c);
    }
    key.capsLock = capsLock;
    keys.push_back(key);
  }
  return keys;
}

struct Habit {
  const char* what;
  const char* typed;
  const char* wrong;    // words judged wrong, in order, blank-separated
  const char* dropped;  // words dropped unjudged
  const char* shown;    // the word display at the end
  // The words judged wrong with the letter case check off, when not `wrong`.
  const char* wrongCaseBlind = nullptr;
};

const Habit kHabits[] = {
    // Slips taken back at once.
    {"a slip onto a digit, taken back", "anothe3{bs}r ", "", "", ""},
    {"a slip onto [, taken back", "peo[{bs}ple ", "", "", ""},
    {"two letters taken back", "the quikc{bs}{bs}ck ", "", "", ""},
    {"a digit after a wrong word shows it at the next key", "wrold3 ", "WROLD", "", "WROLD_"},
    {"a digit then Backspace: nothing judged", "wrold3{bs}", "", "", "WROLD"},
    {"a comma and a blank judge the word once", "wrold, fox ", "WROLD", "", ""},
    {"Backspace over the blank brings a wrong word back", "foxx {bs}{bs} ", "FOXX", "", ""},
    {"Backspace into the word before, over a mark", "dog,{bs}{bs}g.", "", "", ""},
    {"Backspace at the text's start deletes what was never seen", "{click}{bs}ies fox ", "", "IES", ""},
    // Fixes made back in the text.
    {"a forgotten letter, Left back into the word", "the quck{left}{left}i{end} fox ", "", "", ""},
    // The forgotten letter's word was wrong in the editor until it was mended: TH is a true alarm.
    {"Left past the word's start into the word before", "th quick{left}{left}{left}{left}{left}{left}e{end} fox ",
     "TH", "", ""},
    {"Right back over the blank judges the mended word",
     "th quick{left}{left}{left}{left}{left}{left}e{right}{right}{right}{right}{right}{right} fox ", "TH", "", ""},
    {"a mended word that is still wrong is judged as the caret leaves it",
     "th fox{left}{left}{left}{left}x{end} ", "TH THX", "", ""},
    {"a letter into a word marked wrong takes the marker off", "thrw {left}{left}o", "THRW", "", "THROW"},
    {"End mid-word is no word end", "progra{end}mme ", "", "", ""},
    {"Left past the text's start lets go of it", "fox{left}{left}{left}{left}xq ", "", "FOX XQ", ""},
    {"Delete mends the word after the caret", "foxx{left}{del} ", "", "", ""},
    // Home and End.
    {"a word at the line start, then End", "the lazy{home}fox {end} dog ", "", "", ""},
    {"an unfinished word at the line start is let go at End", "over{home}twe{end} fox ", "", "TWE", ""},
    {"Home and End between lines typed", "the fox\nlazy{home}o{end}{up}", "", "OLAZY", ""},
    {"Up, Down and Page keys let go of the text", "wor{up}fox lazy{pgdn}dog ", "", "WOR LAZY", ""},
    {"a selection made with Shift lets go of it too", "the foxx{sleft}{sleft}dog ", "", "FOXX", ""},
    // The mouse and commands.
    {"a click drops the word being typed", "wor{click}fox ", "", "WOR", ""},
    {"a double click, the word typed again, Right over the blank", "{click}{click}should{right}october ", "", "",
     ""},
    {"a right click too", "wor{rclick}fox ", "", "WOR", ""},
    {"a finished wrong word outlives a click", "foxx {click}", "FOXX", "", "FOXX_"},
    {"F5 is a command", "wo{f5}fox ", "", "WO", ""},
    {"F2 too", "fo{f2}dog ", "", "FO", ""},
    {"Ctrl+Z lets go of the text", "thw{ctrl-z}fox ", "", "THW", ""},
    {"keypad digits end the word", "fox{kp1}{kp1} ", "", "", ""},
    {"a keypad operator ends it too", "foxx{kp+}dog ", "FOXX", "", ""},
    {"Escape ends the word at the next key", "wrold{esc} ", "WROLD", "", "WROLD_"},
    // Pastes.
    {"Ctrl+V: the word going on from it is not judged", "{paste}ke fox ", "", "KE", ""},
    {"Shift+Insert", "{shiftins}ies fox ", "", "IES", ""},
    {"a middle click", "fox{middle}ies ", "", "FOX IES", ""},
    {"a blank after the paste: the next word is judged", "{paste} foxx ", "FOXX", "", "FOXX_"},
    // Case does not change what is judged.
    {"capitals", "The FOX {caps}dog{caps} qUICK ", "", "", ""},
    {"Caps Lock is no word end", "fo{caps}x{caps} ", "", "", ""},
    // A name or an abbreviation typed in lower case; the list holds Paris, NASA and OT.
    {"names and abbreviations in lower case", "ot paris nasa ", "OT PARIS NASA", "", "NASA_", ""},
    {"capitalised or in capitals they are right", "Ot OT Paris PARIS Nasa NASA pARIS ", "", "", ""},
    {"Caps Lock types capitals", "{caps}ot{caps} ", "", "", ""},
    {"a hyphenated word by its parts", "paris-based Paris-based ", "PARIS-BASED", "", "", ""},
    {"a lone letter is never wrong", "o ", "", "", ""},
    {"a word going on from a paste is not judged", "{paste}ot fox ", "", "OT", ""},
    // Addresses and file names: a word joined to a mark or a digit is often a name in lower case.
    {"a word joined to a mark or a digit is judged without its case", "paris.ot,nasa 2ot ", "", "", ""},
    {"a mark that ends a sentence joins nothing", "paris. ot, ", "PARIS OT", "", "OT_", ""},
    // After a click the first word may end a word begun before the caret (wor|ld): its case is not known.
    {"the first word after a click is judged without its case", "{click}ot ot ", "OT", "", "OT_", ""},
    {"a mended word is judged in its new case", "ot{left}{left}{del}O{end} Ot{left}{left}{del}o{end} ", "OT", "", "OT_",
     ""},
};

std::string Joined(const std::vector<std::string>& words) {
  std::string joined;
  for (const auto& word : words) joined += (joined.empty() ? "" : " ") + word;
  return joined;
}

class EditingHabits : public ProcessKey {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    const std::vector<std::pair<std::string, FormCase>> words = {
        {"ANOTHER", FormCase::Any}, {"BASED", FormCase::Any},         {"DOG", FormCase::Any},
        {"FOX", FormCase::Any},     {"LAZY", FormCase::Any},          {"NASA", FormCase::Capitals},
        {"O", FormCase::Capitals},  {"OCTOBER", FormCase::Any}, {"OT", FormCase::Capitals},
        {"OVER", FormCase::Any},    {"PARIS", FormCase::Capitalised}, {"PEOPLE", FormCase::Any},
        {"PROGRAMME", FormCase::Any}, {"QUICK", FormCase::Any},       {"SHOULD", FormCase::Any},
        {"THE", FormCase::Any},     {"THROW", FormCase::Any}};
    WriteEnglish(words);
    WriteRussian({"КОТ"});
    Engine().ActivateLanguage(0);
  }
  // The library and its letter case file.
  void WriteEnglish(const std::vector<std::pair<std::string, FormCase>>& words) {
    std::vector<std::string> spellings;
    std::vector<FormCase> cases;
    for (const auto& [word, wordCase] : words) {
      spellings.push_back(word);
      cases.push_back(wordCase);
    }
    EngineFixture::WriteEnglish(spellings);
    std::string error;
    ASSERT_TRUE(WriteCaseForms(dir_ / "english.cas", CaseForms::FromCases(cases), &error)) << error;
  }
  // What the keys judged wrong and dropped, blank-separated.
  std::pair<std::string, std::string> Judged(std::string_view typed) {
    Engine().ResetWord();
    std::vector<std::string> wrong, dropped;
    for (const KeyStroke& key : Keystrokes(typed)) {
      const auto result = Engine().ProcessKeyStroke(key, false);
      if (result.judgedWrong) wrong.push_back(result.judgedWord);
      if (!result.droppedWord.empty()) dropped.push_back(result.droppedWord);
    }
    return {Joined(wrong), Joined(dropped)};
  }
};

TEST_F(EditingHabits, WordsAreJudgedAsTheEditorHoldsThem) {
  for (const bool caseChecking : {true, false}) {
    Engine().SetCaseChecking(caseChecking);
    for (const Habit& habit : kHabits) {
      SCOPED_TRACE(std::string(habit.what) + (caseChecking ? "" : ", letter case not checked"));
      const auto [wrong, dropped] = Judged(habit.typed);
      EXPECT_EQ(wrong, caseChecking || !habit.wrongCaseBlind ? habit.wrong : habit.wrongCaseBlind);
      EXPECT_EQ(dropped, habit.dropped);
      if (caseChecking || !habit.wrongCaseBlind) {
        EXPECT_EQ(Shown().word, habit.shown);
      }
    }
  }
  EXPECT_EQ(Engine().TakeCorrectionProblem(), "") << "the case file was read";
}

TEST_F(EditingHabits, TheUsersOwnWordsAreRightInLowerCase) {
  Engine().SetCaseChecking(true);
  Engine().AddUserWord("OT");
  EXPECT_EQ(Judged("ot paris ").first, "PARIS");
  // Their insertion shifts the library's words in the list: the case of each is still found.
  Engine().AddUserWord("AAA");
  Engine().AddUserWord("PARISX");
  EXPECT_EQ(Judged("ot paris nasa fox ").first, "PARIS NASA");
}

// Without its case file, or with a damaged one, words are judged without
// their case, and the program says so once.
TEST_F(EditingHabits, AMissingOrDamagedCaseFileJudgesWithoutTheCase) {
  const std::string good = dir_.Read("english.cas");
  const std::vector<std::pair<std::string, std::string>> files = {
      {"missing", ""},
      {"cut short", good.substr(0, good.size() - 1)},
      {"a flipped bit", good.substr(0, good.size() - 1) + static_cast<char>(good.back() ^ 1)},
      {"another dictionary's", CaseForms::FromCases({FormCase::Any, FormCase::Capitals}).FileBytes()},
      {"not a case file", "QVFREQ 1\n"},
  };
  for (const auto& [what, content] : files) {
    SCOPED_TRACE(what);
    std::filesystem::remove(dir_ / "english.cas");
    if (!content.empty()) dir_.Write("english.cas", content);
    engine_.reset();
    Engine().SetCaseChecking(true);
    Engine().ActivateLanguage(SpellingEngine::kEnglish);
    EXPECT_EQ(Judged("ot paris foxx ").first, "FOXX");
    const std::string problem = Engine().TakeCorrectionProblem();
    EXPECT_NE(problem.find("english.cas"), std::string::npos) << problem;
    EXPECT_EQ(Judged("nasa ").first, "");
    EXPECT_EQ(Engine().TakeCorrectionProblem(), "") << "said once";
  }
  // Off, the file is not needed and nothing is said.
  std::filesystem::remove(dir_ / "english.cas");
  engine_.reset();
  Engine().SetCaseChecking(false);
  Engine().ActivateLanguage(SpellingEngine::kEnglish);
  EXPECT_EQ(Judged("ot foxx ").first, "FOXX");
  EXPECT_EQ(Engine().TakeCorrectionProblem(), "");
}

// A dictionary replaced while the program runs, by one of the same size, is
// judged by its own case file at the next activation, not by the old one's.
TEST_F(EditingHabits, AReplacedLibraryOfTheSameSizeBringsItsOwnCaseTable) {
  Engine().SetCaseChecking(true);
  EXPECT_EQ(Judged("paris ").first, "PARIS");
  // The same number of words; Paris is now a word in any case, NASA still only in capitals.
  std::filesystem::remove(dir_ / "english.dll");  // a new file, as a package upgrade makes
  WriteEnglish({{"ANOTHER", FormCase::Any}, {"BASED", FormCase::Any},       {"DOG", FormCase::Any},
                {"FOX", FormCase::Any},     {"LAZY", FormCase::Any},        {"NASA", FormCase::Capitals},
                {"O", FormCase::Capitals},  {"OCTOBER", FormCase::Any},     {"OT", FormCase::Capitals},
                {"OVER", FormCase::Any},    {"PARIS", FormCase::Any},       {"PEOPLE", FormCase::Any},
                {"PROGRAMME", FormCase::Any}, {"QUICK", FormCase::Any},     {"SHOULD", FormCase::Any},
                {"THE", FormCase::Any},     {"THROW", FormCase::Any}});
  Engine().ActivateLanguage(SpellingEngine::kEnglish);
  EXPECT_EQ(Judged("paris nasa ").first, "NASA");
  EXPECT_EQ(Engine().TakeCorrectionProblem(), "");
}

TEST_F(EditingHabits, AWordEndedByAMarkIsShownWrongAtTheNextKey) {
  EXPECT_EQ(Type({'W', 'R', 'O', 'L', 'D'}), 1);
  EXPECT_EQ(Type({190}), 0) << "not yet: the slip may be taken back";
  EXPECT_EQ(Shown().word, "");
  EXPECT_EQ(Type({kSpace}), 2);
  EXPECT_EQ(Shown().word, "WROLD_");
  EXPECT_EQ(Shown().wordColour, kRedColour);
  EXPECT_TRUE(Engine().TakeCorrectionJob().has_value());
  EXPECT_EQ(Type({kSpace}), 0) << "a second blank takes it off the display";
  EXPECT_EQ(Shown().word, "");
}

TEST_F(EditingHabits, ALetterAfterTheMarkStartsTheNextWord) {
  Type({'W', 'R', 'O', 'L', 'D', 190});
  EXPECT_EQ(Type({'F'}), 1) << "WROLD is judged wrong; F begins the next word";
  EXPECT_EQ(Shown().word, "F");
  EXPECT_FALSE(Engine().TakeCorrectionJob().has_value()) << "WROLD is no longer on display";
}

TEST_F(EditingHabits, LettersTypedInFrontOfAKnownWordAreCheckedAlone) {
  int beeps = 0;
  for (const KeyStroke& key : Keystrokes("the fox\nlazy{home}over {end} dog "))
    beeps += Engine().ProcessKeyStroke(key, false).beeps;
  EXPECT_EQ(beeps, 0);
  const auto beepsOfLast = [this](std::string_view typed) {
    Engine().ResetWord();
    int last = 0;
    for (const KeyStroke& key : Keystrokes(typed)) last = Engine().ProcessKeyStroke(key, false).beeps;
    return last;
  };
  EXPECT_EQ(beepsOfLast("fox\nlazy{home}xq"), 1) << "no word starts with XQ";
  // In front of what is no word, the whole is checked, as in the middle of one.
  EXPECT_EQ(beepsOfLast("fox\nlazx{home}o"), 1);
  EXPECT_EQ(beepsOfLast("fox\nlazy{home}o"), 0);
}

TEST_F(EditingHabits, AClickLeavesNoAlarmBehind) {
  EXPECT_EQ(Type({'W', 'O', 'R', 'X'}), 1);
  const auto result = Engine().ProcessKeyStroke({.pointerButton = 1}, false);
  EXPECT_EQ(result.beeps, 0);
  EXPECT_EQ(result.droppedWord, "WORX");
  EXPECT_EQ(Shown().word, "");
  EXPECT_EQ(Shown().wordColour, kLimeColour);

  // A finished wrong word keeps its corrections through clicks and shortcuts.
  Type({'F', 'O', 'X', 'X', kSpace});
  const auto job = Engine().TakeCorrectionJob();
  ASSERT_TRUE(job.has_value());
  ASSERT_TRUE(Engine().ShowCorrections(job->displayGeneration, {"FOX"}));
  for (const KeyStroke key : {KeyStroke{.pointerButton = 1}, KeyStroke{.virtualKey = 'S', .command = true},
                              KeyStroke{.virtualKey = 38}}) {
    EXPECT_EQ(Engine().ProcessKeyStroke(key, false).beeps, 0);
    EXPECT_EQ(Shown().word, "FOXX_");
    EXPECT_EQ(Shown().wordColour, kRedColour);
    EXPECT_EQ(Shown().correctionCount, 1u);
  }
}

TEST_F(EditingHabits, TheTextKeptStaysALinesWorth) {
  for (int i = 0; i < 200; ++i) Type({'F', 'O', 'X', kSpace});
  EXPECT_EQ(Type({'D', 'O', 'G', kSpace}), 0);
  // Far enough back, Left reaches the start of what is kept and lets go of it.
  size_t left = 0;
  do {
    Type({kLeft});
    ++left;
  } while (Shown().word != "" && left < 2000);
  EXPECT_LE(left, vuruzid::TypedText::kLongest + 1);
  EXPECT_GE(left, vuruzid::TypedText::kLongest / 2);
}

struct CaseRow {
  const char* typed;
  LetterCase letterCase;
  const char* correction;  // InCase("AND", ...)
};

TEST_F(EditingHabits, TheWordKnowsItsCase) {
  const CaseRow rows[] = {
      {"adn", LetterCase::Lower, "and"},
      {"Adn", LetterCase::Capitalised, "And"},
      {"ADN", LetterCase::Capitals, "AND"},
      {"{caps}adn", LetterCase::Capitals, "AND"},
      {"{caps}aDN", LetterCase::Capitalised, "And"},  // Shift under Caps Lock types small letters
      {"A", LetterCase::Capitalised, "And"},
      {"aDN", LetterCase::Lower, "and"},
  };
  for (const CaseRow& row : rows) {
    SCOPED_TRACE(row.typed);
    Engine().ResetWord();
    for (const KeyStroke& key : Keystrokes(row.typed)) Engine().ProcessKeyStroke(key, false);
    EXPECT_EQ(Engine().DisplayedWordCase(), row.letterCase);
    EXPECT_EQ(InCase("AND", Engine().DisplayedWordCase()), row.correction);
  }
  // The case of a finished wrong word stays with it on display.
  Engine().ResetWord();
  for (const KeyStroke& key : Keystrokes("Adn ")) Engine().ProcessKeyStroke(key, false);
  EXPECT_EQ(Shown().word, "ADN_");
  EXPECT_EQ(Engine().DisplayedWordCase(), LetterCase::Capitalised);
  EXPECT_EQ(InCase("\xC2\xD1\xC5", LetterCase::Capitalised), "\xC2\xF1\xE5");  // Все
}

}  // namespace
}  // namespace vuruzid

namespace vuruzid {
namespace {

// Words typed in the other language's layout: the keys of GHBDTN are ПРИВЕТ.
class OtherLayout : public ProcessKey {
 protected:
  void SetUp() override {
    ProcessKey::SetUp();
    WriteEnglish({"CAN", "CAT", "FOX", "HELLO", "THE"});
    WriteRussian({"ДЕЛА", "ДОМ", "КАК", "ПРИВЕТ", "ТЫ", "ХОРОШО", "ЧТО"});
    std::string error;
    const auto russian = ReadLibraryWords(dir_ / "russian.dll", &error);
    ASSERT_TRUE(russian) << error;
    // ДОМ is left uncounted: a short word must be counted to be read in the other layout.
    // КАК is counted 50 times in a million words, ЧТО, one of the commonest, 20,000 times.
    std::vector<WordFrequencies::Entry> counts;
    for (const char* word : {"ДЕЛА", "КАК", "ТЫ", "ХОРОШО"}) counts.push_back({*cp1251::FromUtf8(word), 5000});
    counts.push_back({*cp1251::FromUtf8("ПРИВЕТ"), 98'000'000});
    counts.push_back({*cp1251::FromUtf8("ЧТО"), 2'000'000});
    ASSERT_TRUE(WriteWordFrequencies(dir_ / "russian.frq", counts, *russian, &error)) << error;
    // The user's own Russian words: a long one and a short one, neither in the dictionary.
    dir_.Write("data/datr_u.txt", *cp1251::FromUtf8("вуруз\r\nКОТ\r\n"));
  }
};

TEST_F(OtherLayout, WordsTypedInTheOtherLayoutAreOfferedAndARunSwitches) {
  struct Row {
    const char* what;
    int language;
    bool followTyping;
    const char* typed;        // keys by their English labels
    const char* recognised;   // the other layout's words, in order (UTF-8)
    int switchedAfter;        // how many recognised words it took to switch; 0: no switch
  };
  const Row rows[] = {
      {"a long word switches at once", 0, true, "ghbdtn ", "ПРИВЕТ", 1},
      {"without following it is only offered", 0, false, "ghbdtn rfr ltkf ", "ПРИВЕТ КАК ДЕЛА", 0},
      // The Russian layout's full stop and comma are on the key of / and ?, a mark in both layouts.
      {"a word ended by the Russian full stop, offered at the next key", 0, false, "ltkf/ ", "ДЕЛА", 0},
      {"and switching at once", 0, true, "ghbdtn/ ", "ПРИВЕТ", 1},
      {"keys that end an English word are Russian letters", 0, true, "[jhjij ", "ХОРОШО", 1},
      {"one three-letter word does not switch", 0, true, "rfr ", "КАК", 0},
      {"two in a row do", 0, true, "rfr rfr ", "КАК КАК", 2},
      {"one of the commonest switches at once", 0, true, "xnj ", "ЧТО", 1},
      {"an English word that spells nothing in Russian breaks the run", 0, true, "rfr the rfr ", "КАК КАК", 0},
      {"an uncommon short word is a slip, not the other layout", 0, true, "ljv ljv ", "", 0},
      {"two letters never", 0, true, "ns ns ns ", "", 0},
      {"English typed while the checker is in Russian", 1, true, "hello ", "HELLO", 1},
      {"a word mended with Backspace is read as it stands", 0, true, "ghbdtnn{bs} ", "ПРИВЕТ", 1},
      {"a caret move inside the word spoils the reading", 0, true, "ghb{left}dtn ", "", 0},
      {"a long word of the user's own Russian list", 0, true, "dehep ", "ВУРУЗ", 1},
      {"a short one has no count, so it is not", 0, true, "rjn rjn ", "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    engine_.reset();
    Engine().ActivateLanguage(row.language);
    Engine().SetFollowTyping(row.followTyping);
    std::vector<std::string> recognised;
    int switchedAfter = 0;
    for (const KeyStroke& key : Keystrokes(row.typed)) {
      const auto result = Engine().ProcessKeyStroke(key, false);
      if (!result.otherLayoutWord.empty()) recognised.push_back(cp1251::ToUtf8(result.otherLayoutWord));
      if (result.switchedByTyping) {
        EXPECT_EQ(switchedAfter, 0) << "switched twice";
        EXPECT_TRUE(result.languageSwitched);
        EXPECT_EQ(result.beeps, 0);
        switchedAfter = static_cast<int>(recognised.size());
      }
    }
    EXPECT_EQ(Joined(recognised), row.recognised);
    EXPECT_EQ(switchedAfter, row.switchedAfter);
    EXPECT_EQ(Engine().language(), switchedAfter > 0 ? 1 - row.language : row.language);
    if (!row.followTyping) {
      // The last word's reading leads the list, marked as the other layout's.
      ASSERT_FALSE(Engine().display().suggestions.empty());
      EXPECT_TRUE(Engine().display().otherLayoutFirst);
      EXPECT_EQ(cp1251::ToUtf8(Engine().display().suggestions.front()), "ДЕЛА");
      EXPECT_EQ(Engine().display().otherLayoutLanguage, SpellingEngine::kRussian);
    }
  }
  EXPECT_EQ(Engine().OtherLayoutSpelling("ghbdtn"), *cp1251::FromUtf8("ПРИВЕТ"));
  EXPECT_EQ(Engine().OtherLayoutSpelling("fox"), "");
}

}  // namespace
}  // namespace vuruzid
