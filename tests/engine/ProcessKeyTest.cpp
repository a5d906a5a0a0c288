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
  Type({219, 220, 221});  // ignored under English
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
  Type({222, 192, 220, 186, 188, 190, 221});
  EXPECT_EQ(Shown().word, *cp1251::FromUtf8("Э`ЬЖБЮЪ"));
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

TEST_F(ProcessKey, LettersThatCannotStartAWordTurnRedAtOnce) {
  // OG occurs inside DOG but no word starts with it.
  EXPECT_EQ(Type({'O'}), 1);
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

}  // namespace
}  // namespace vuruzid
