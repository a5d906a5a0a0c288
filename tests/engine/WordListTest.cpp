#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/Cp1251.h"
#include "engine/WordList.h"
#include "support/Dictionaries.h"
#include "support/TempFolder.h"

namespace vuruzid {
namespace {

using testing::TempFolder;
using Words = std::vector<std::string>;

Words Contents(const WordList& list) {
  Words words;
  for (size_t i = 0; i < list.size(); ++i) words.emplace_back(list[i]);
  return words;
}

// Builds a list from a library file, as the language switch does.
WordList FromLibrary(const TempFolder& dir, const Words& words) {
  testing::WriteDictionary(dir / "lib", words);
  WordList list;
  list.AppendLibrary(LanguageLibrary::Open(dir / "lib"), static_cast<uint32_t>(words.size()));
  return list;
}

// The word list exactly as the plain linear algorithms define it, used to
// check the fast representation against.
struct ReferenceList {
  Words words;

  std::optional<size_t> FindExact(const std::string& w) const {
    for (size_t i = 0; i < words.size(); ++i)
      if (words[i] == w) return i;
    return std::nullopt;
  }
  size_t LowerBound(const std::string& w) const {
    if (w.empty() || words.empty()) return 0;
    for (size_t i = 0; i < words.size(); ++i)
      if (!(words[i] < w)) return i;
    return words.size() - 1;
  }
  bool InsertWord(const std::string& text) {
    if (!(text > " ")) return false;
    const std::string w(cp1251::Trim(cp1251::ToUpper(text)));
    if (w.empty()) return false;
    if (words.empty() || w > words.back()) {
      words.push_back(w);
      return true;
    }
    for (size_t i = 0; i < words.size(); ++i) {
      if (!(words[i] < w)) {
        if (words[i] == w) return false;
        words.insert(words.begin() + i, w);
        return true;
      }
    }
    return false;
  }
};

TEST(WordListInsert, BlankAndControlTextsChangeNothing) {
  TempFolder dir;
  WordList list = FromLibrary(dir, {"CAT", "EMU"});
  for (const char* text : {"", " ", "\tDOG", "\x01", "    ", " \t "})
    EXPECT_EQ(list.InsertWord(text), WordList::Insertion::Ignored) << '"' << text << '"';
  EXPECT_EQ(Contents(list), (Words{"CAT", "EMU"}));
}

TEST(WordListInsert, PlacesTrimmedUpperCaseWordsInByteOrder) {
  TempFolder dir;
  WordList list = FromLibrary(dir, {"CAT", "EMU"});
  EXPECT_EQ(list.InsertWord(" dog "), WordList::Insertion::Inserted);
  EXPECT_EQ(list.InsertWord("cat"), WordList::Insertion::Duplicate);
  EXPECT_EQ(list.InsertWord("zebra"), WordList::Insertion::Inserted);
  EXPECT_EQ(list.InsertWord("\xEA\xEE\xF2"), WordList::Insertion::Inserted);  // кот
  EXPECT_EQ(list.InsertWord("-ISH"), WordList::Insertion::Inserted);
  EXPECT_EQ(list.InsertWord("`TIS"), WordList::Insertion::Inserted);
  EXPECT_EQ(Contents(list), (Words{"-ISH", "CAT", "DOG", "EMU", "ZEBRA", "`TIS", "\xCA\xCE\xD2"}));
  EXPECT_TRUE(list.InByteOrder());

  WordList prefix = FromLibrary(dir, {"ABC"});
  prefix.InsertWord("AB");
  EXPECT_EQ(Contents(prefix), (Words{"AB", "ABC"}));
}

TEST(WordListInsert, AnEmptyListTakesTheWord) {
  WordList list;
  EXPECT_EQ(list.InsertWord("dog"), WordList::Insertion::Inserted);
  EXPECT_EQ(list.InsertWord("cat"), WordList::Insertion::Inserted);
  EXPECT_EQ(Contents(list), (Words{"CAT", "DOG"}));
  EXPECT_FALSE(list.FindExact("EMU"));
  EXPECT_EQ(list.LowerBound("EMU"), 1u);
}

TEST(WordListLookup, EmptyListAndEmptyWord) {
  WordList list;
  EXPECT_FALSE(list.FindExact("CAT"));
  EXPECT_EQ(list.LowerBound("CAT"), 0u);
  TempFolder dir;
  WordList some = FromLibrary(dir, {"CAT", "DOG"});
  EXPECT_EQ(some.LowerBound(""), 0u);
  EXPECT_EQ(some.LowerBound("ZZZ"), 1u);  // every entry sorts before: the last index
}

TEST(WordListLookup, AnUnsortedLibraryKeepsItsOrderAndLinearResults) {
  TempFolder dir;
  WordList list = FromLibrary(dir, {"B", "A", "Z"});
  EXPECT_FALSE(list.InByteOrder());
  EXPECT_EQ(Contents(list), (Words{"B", "A", "Z"}));
  EXPECT_EQ(list.LowerBound("A"), 0u);  // B is the first entry not before A
  EXPECT_EQ(list.LowerBound("C"), 2u);
  EXPECT_EQ(*list.FindExact("A"), 1u);
  // Insertion follows the same scan: the first entry not before the word.
  EXPECT_EQ(list.InsertWord("AA"), WordList::Insertion::Inserted);
  EXPECT_EQ(Contents(list), (Words{"AA", "B", "A", "Z"}));
  EXPECT_EQ(list.InsertWord("A"), WordList::Insertion::Inserted);  // the scan stops at AA first
  EXPECT_EQ(Contents(list), (Words{"A", "AA", "B", "A", "Z"}));
}

TEST(WordListLookup, LibraryCountBelowTheStoredWordsTakesOnlyThatMany) {
  TempFolder dir;
  testing::WriteDictionary(dir / "lib", {"A", "B", "C"});
  WordList list;
  list.AppendLibrary(LanguageLibrary::Open(dir / "lib"), 2);
  EXPECT_EQ(Contents(list), (Words{"A", "B"}));
}

// The mapped library plus inserted words must behave exactly like the plain
// list under any mix of inserts and lookups.
TEST(WordListModel, MatchesTheLinearDefinitionOnRandomData) {
  std::mt19937 random(1234);
  const std::string alphabet = "-AB`\xC0\xDF";
  auto randomWord = [&] {
    std::string w;
    const int length = 1 + random() % 4;
    for (int i = 0; i < length; ++i) w += alphabet[random() % alphabet.size()];
    return w;
  };

  for (int round = 0; round < 40; ++round) {
    Words base;
    for (int i = 0; i < 30; ++i) base.push_back(randomWord());
    std::sort(base.begin(), base.end());
    base.erase(std::unique(base.begin(), base.end()), base.end());

    TempFolder dir;
    WordList list = FromLibrary(dir, base);
    ReferenceList reference{base};
    ASSERT_TRUE(list.InByteOrder());

    for (int step = 0; step < 60; ++step) {
      std::string text = randomWord();
      if (step % 7 == 0) text = " " + text + " ";
      const bool inserted = list.InsertWord(text) == WordList::Insertion::Inserted;
      ASSERT_EQ(inserted, reference.InsertWord(text));
      const std::string probe = randomWord();
      ASSERT_EQ(list.FindExact(probe), reference.FindExact(probe)) << probe;
      ASSERT_EQ(list.LowerBound(probe), reference.LowerBound(probe)) << probe;
    }
    ASSERT_EQ(Contents(list), reference.words);
  }
}

}  // namespace
}  // namespace vuruzid
