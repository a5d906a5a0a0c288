#include "tools/dictbuild/Normalise.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Cp1251.h"

namespace vuruzid::dictbuild {
namespace {

// Windows-1251 bytes of a UTF-8 literal, so the tests can be written readably.
std::string Cp(std::string_view utf8) {
  auto text = cp1251::FromUtf8(utf8);
  EXPECT_TRUE(text.has_value()) << utf8;
  return text.value_or("");
}

TEST(WordOnLineTest, KeepsOnlyTheWord) {
  EXPECT_EQ(WordOnLine("cat"), "cat");
  EXPECT_EQ(WordOnLine("  dog \t"), "dog");
  EXPECT_EQ(WordOnLine("walk/SDG"), "walk");
  EXPECT_EQ(WordOnLine("walked\tst:walk"), "walked");
  EXPECT_EQ(WordOnLine("walked po:verb is:past"), "walked");
  EXPECT_EQ(WordOnLine("walk/SDG po:verb"), "walk");
  EXPECT_EQ(WordOnLine(""), "");
  EXPECT_EQ(WordOnLine("   "), "");
}

TEST(WordOnLineTest, LeavesTextThatIsNoFieldForTheFilterToJudge) {
  // Two words on a line are not a word with a field: they must reach the
  // filter whole (and be dropped there), never be cut to the first word.
  EXPECT_EQ(WordOnLine("New York"), "New York");
  EXPECT_EQ(WordOnLine("a la carte"), "a la carte");
  EXPECT_EQ(WordOnLine("/"), "/");
}

TEST(NormaliseWordTest, UpperCasesLatinAndCyrillic) {
  EXPECT_EQ(NormaliseWord("house"), "HOUSE");
  EXPECT_EQ(NormaliseWord("McDonald"), "MCDONALD");
  EXPECT_EQ(NormaliseWord(Cp("кошкой")), Cp("КОШКОЙ"));
  EXPECT_EQ(NormaliseWord(Cp("Москва")), Cp("МОСКВА"));
  EXPECT_EQ(NormaliseWord("co-op"), "CO-OP");
}

TEST(NormaliseWordTest, TurnsBothApostrophesIntoTheGraveAccent) {
  EXPECT_EQ(NormaliseWord("doesn't"), "DOESN`T");
  EXPECT_EQ(NormaliseWord(Cp("rock’n’roll")), "ROCK`N`ROLL");
  EXPECT_EQ(NormaliseWord("o`clock"), "O`CLOCK");
}

TEST(NormaliseWordTest, TurnsIoIntoIe) {
  EXPECT_EQ(NormaliseWord(Cp("ёлка")), Cp("ЕЛКА"));
  EXPECT_EQ(NormaliseWord(Cp("Ёж")), Cp("ЕЖ"));
  EXPECT_EQ(NormaliseWord(Cp("шёл")), Cp("ШЕЛ"));
}

TEST(NormaliseWordTest, DropsWordsWithOtherCharactersWhole) {
  for (std::string_view word : {"1st", "e.g.", "under_score", "two words", "tab\there", "a/b", "", "50%"})
    EXPECT_FALSE(NormaliseWord(word).has_value()) << word;
  // Letters of the code page outside А-Я: Ukrainian, Belarusian and Serbian ones.
  for (std::string_view word : {"Київ", "іван", "ўсё", "ђак", "Є"})
    EXPECT_FALSE(NormaliseWord(Cp(word)).has_value()) << word;
  // Latin letters with accents exist in the code page only as other bytes, never as letters.
  EXPECT_FALSE(NormaliseWord("na\xA0ve").has_value());
  EXPECT_FALSE(NormaliseWord(std::string("nul\0l", 5)).has_value());
}

TEST(NormaliseWordTest, KeepsWordsUpTo254Bytes) {
  EXPECT_EQ(NormaliseWord(std::string(254, 'a')), std::string(254, 'A'));
  EXPECT_FALSE(NormaliseWord(std::string(255, 'a')).has_value());
  EXPECT_EQ(NormaliseWord(std::string(254, '\xE0')), std::string(254, '\xC0'));  // а... -> А...
}

TEST(NormaliseWordListTest, SortsInByteOrderWithoutDuplicates) {
  const std::vector<std::string> lines = {
      "Cat", "cats", "CAT", "cat", "-", "zebra", "ab", "abc", "a", "a-b", "a`b", "doesn't", "doesn’t",
      "кошка", "Кошка", "ёж", "еж", "Ёж", "яма", "абак",
  };
  const auto result = NormaliseWordList(lines, SourceEncoding::Utf8);
  const std::vector<std::string> expected = {
      "-", "A", "A-B", "AB", "ABC", "A`B", "CAT", "CATS", "DOESN`T", "ZEBRA",
      Cp("АБАК"), Cp("ЕЖ"), Cp("КОШКА"), Cp("ЯМА"),
  };
  EXPECT_EQ(result.words, expected);
  EXPECT_EQ(result.counts.lines, lines.size());
  EXPECT_EQ(result.counts.duplicates, 6u);  // CAT twice, DOESN`T, КОШКА, ЕЖ twice
  EXPECT_EQ(result.counts.words, expected.size());
  EXPECT_EQ(result.counts.foreign, 0u);
}

TEST(NormaliseWordListTest, CountsWhatItDrops) {
  const std::vector<std::string> lines = {
      "good", "", "   ", "caf\xC3\xA9", "na\xC3\xAFve", "1st", std::string(300, 'x'), "Київ", "also/SM",
      "bad\xFF", "ok",
  };
  const auto result = NormaliseWordList(lines, SourceEncoding::Utf8);
  EXPECT_EQ(result.words, (std::vector<std::string>{"ALSO", "GOOD", "OK"}));
  EXPECT_EQ(result.counts.lines, 11u);
  EXPECT_EQ(result.counts.empty, 2u);
  EXPECT_EQ(result.counts.tooLong, 1u);
  EXPECT_EQ(result.counts.foreign, 5u);  // café, naïve, 1st, Київ, malformed UTF-8
  EXPECT_EQ(result.counts.duplicates, 0u);
}

TEST(NormaliseWordListTest, NeverKeepsAMangledFormOfADroppedWord) {
  // A converter that skipped what it could not map would turn these into
  // CAF, NAVE and KIV; none of those may appear.
  const auto result = NormaliseWordList({"caf\xC3\xA9", "na\xC3\xAFve", "Ki\xC3\xBFv"}, SourceEncoding::Utf8);
  EXPECT_TRUE(result.words.empty());
  EXPECT_EQ(result.counts.foreign, 3u);
}

TEST(NormaliseWordListTest, ReadsWindows1251Input) {
  const std::vector<std::string> lines = {Cp("хорошего"), Cp("шёл"), Cp("Ёлка"), "\x92quote", Cp("Київ")};
  const auto result = NormaliseWordList(lines, SourceEncoding::Cp1251);
  EXPECT_EQ(result.words, (std::vector<std::string>{"`QUOTE", Cp("ЕЛКА"), Cp("ХОРОШЕГО"), Cp("ШЕЛ")}));
  EXPECT_EQ(result.counts.foreign, 1u);
}

TEST(NormaliseWordListTest, SkipsAByteOrderMarkOnlyBeforeTheFirstUtf8Line) {
  const auto result = NormaliseWordList({"\xEF\xBB\xBFhello", "\xEF\xBB\xBFworld"}, SourceEncoding::Utf8);
  EXPECT_EQ(result.words, (std::vector<std::string>{"HELLO"}));
  EXPECT_EQ(result.counts.foreign, 1u);
}

TEST(NormaliseWordListTest, MeasuresTheLengthLimitInWindows1251Bytes) {
  // 200 Cyrillic letters are 400 UTF-8 bytes but 200 library bytes: kept.
  std::string longRussian;
  for (int i = 0; i < 200; ++i) longRussian += "я";
  const auto result = NormaliseWordList({longRussian, std::string(255, 'a')}, SourceEncoding::Utf8);
  ASSERT_EQ(result.words.size(), 1u);
  EXPECT_EQ(result.words[0], std::string(200, '\xDF'));
  EXPECT_EQ(result.counts.tooLong, 1u);
}

}  // namespace
}  // namespace vuruzid::dictbuild
