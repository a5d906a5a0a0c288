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

  // Overwriting at the end of the word appends.
  Engine().ResetWord();
  Type({'C', 'A'}, kInsertOff);
  EXPECT_EQ(Shown().word, "CA");
}

TEST_F(ProcessKey, CaretStopsAtBothEnds) {
  Type({kLeft, kBackspace});
  EXPECT_EQ(Engine().cursorPos(), 0u);
  Type({'C', 'A', kRight, kRight});
  EXPECT_EQ(Engine().cursorPos(), 2u);
  Type({kLeft, kLeft, kLeft, kBackspace});
  EXPECT_EQ(Shown().word, "CA");
  EXPECT_EQ(Engine().cursorPos(), 0u);
}

TEST_F(ProcessKey, EveryCaretKeyChecksAndBeepsAgain) {
  EXPECT_EQ(Type({'C', 'A', 'X'}), 1);
  EXPECT_EQ(Type({kLeft}), 1);
  EXPECT_EQ(Type({kLeft}), 1);
  EXPECT_EQ(Engine().cursorPos(), 1u);
  EXPECT_EQ(Type({kSpace}), 2);
  EXPECT_EQ(Shown().word, "C_AX");
  EXPECT_EQ(Engine().cursorPos(), 2u);
  // The marker is not the last character, so every word end marks again.
  EXPECT_EQ(Type({kSpace}), 2);
  EXPECT_EQ(Shown().word, "C__AX");
  EXPECT_EQ(Type({'D'}), 0);
  EXPECT_EQ(Shown().word, "D");
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

TEST_F(ProcessKey, KeysTypeTheirOwnCodeAsALetter) {
  Type({97});  // keypad 1
  EXPECT_EQ(Shown().word, "A");
  Type({112});  // F1
  EXPECT_EQ(Shown().word, "AP");
  Type({192, 189});
  EXPECT_EQ(Shown().word, "AP`-");
  Engine().ResetWord();
  Type({219, 221});  // ignored under English
  EXPECT_EQ(Shown().word, "");
  Type({222});
  EXPECT_EQ(Shown().word, "`");
  Type({224, 193});  // codes of the Cyrillic page
  EXPECT_EQ(Shown().word, "`\xC0\xC1");
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
  for (int key : {13, 9, 17, 20, 27, 46, 36, 35, 38, 40, 186, 187, 188, 190, 191}) {
    Type({'C', 'A', 'T'});
    EXPECT_EQ(Type({key}), 0) << key;
    EXPECT_EQ(Shown().word, "") << key;
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
