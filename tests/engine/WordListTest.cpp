#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "engine/Cp1251.h"
#include "engine/LibraryCache.h"
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

// A library opened for a language, and kept for a later switch, holds no
// lookup index: the list of the language in use builds its indexes when the
// first lookup needs them and drops them with the library at a switch.
TEST(WordListLookup, IndexesAreBuiltAtTheFirstLookupAndDroppedWithTheLibrary) {
  TempFolder dir;
  testing::WriteDictionary(dir / "lib", {"CAT", "DOG", "EMU"});
  LibraryCache cache;
  const std::vector<std::pair<const char*, std::function<void(WordList&)>>> firstLookups{
      {"Contains", [](WordList& list) { list.Contains("DOG"); }},
      {"FindExact", [](WordList& list) { list.FindExact("DOG"); }},
      {"LowerBound", [](WordList& list) { list.LowerBound("D"); }},
      {"InsertWord", [](WordList& list) { list.InsertWord("COW"); }},
      {"InsertWords", [](WordList& list) { list.InsertWords({"COW"}); }},
      {"PrepareLookups", [](WordList& list) { list.PrepareLookups(); }},
  };
  for (const auto& [name, lookup] : firstLookups) {
    WordList list;
    list.AppendLibrary(cache.Open(dir / "lib"), 3);
    EXPECT_EQ(list[1], "DOG");
    list.Append("ZEBRA");  // reading entries and appending builds nothing
    EXPECT_EQ(list.IndexBytes(), 0u) << name;
    lookup(list);
    EXPECT_GT(list.IndexBytes(), 0u) << name;
    list.clear();
    EXPECT_EQ(list.IndexBytes(), 0u) << name;
  }
}

// A word cut, lengthened or changed at one place.
std::string RandomVariant(std::string word, std::mt19937& random) {
  switch (random() % 3) {
    case 0: return word.substr(0, random() % (word.size() + 1));
    case 1: return word + static_cast<char>('A' + random() % 4);
    default: word[random() % word.size()] = static_cast<char>(0xC0 + random() % 4); return word;
  }
}

// The library plus inserted words must behave exactly like the plain
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
      ASSERT_EQ(list.Contains(probe), reference.FindExact(probe).has_value()) << probe;
      ASSERT_EQ(list.LowerBound(probe), reference.LowerBound(probe)) << probe;
      // The display's rows: a run of neighbours copied out in one walk.
      const size_t first = random() % list.size();
      Words rows(std::min<size_t>(9, list.size() - first), "stale");
      list.CopyWords(first, rows);
      ASSERT_EQ(rows, Words(reference.words.begin() + first, reference.words.begin() + first + rows.size()));
    }
    ASSERT_EQ(Contents(list), reference.words);
  }
}

// Merging many texts at once must give exactly the list, and the same answers,
// that inserting them one by one gives: for a library in byte order, for one
// out of order (the literal rules), and for an empty list.
TEST(WordListModel, InsertWordsMatchesSingleInsertionsOnRandomData) {
  std::mt19937 random(99);
  const std::string alphabet = "-AaBb`\xC0\xE0\xDF ";
  auto randomText = [&] {
    std::string w;
    const int length = 1 + random() % 5;
    for (int i = 0; i < length; ++i) w += alphabet[random() % alphabet.size()];
    if (random() % 9 == 0) w = "\t" + w;
    return w;
  };
  enum class Base { Sorted, Unsorted, None };
  for (const Base kind : {Base::Sorted, Base::Unsorted, Base::None}) {
    for (int round = 0; round < 20; ++round) {
      Words base;
      for (int i = 0; i < 40; ++i) base.push_back(cp1251::ToUpper(cp1251::Trim(randomText())));
      std::erase(base, "");
      if (kind == Base::Sorted) std::sort(base.begin(), base.end());
      if (kind == Base::Unsorted) std::swap(base.front(), base.back());

      TempFolder dir;
      WordList one = kind == Base::None ? WordList() : FromLibrary(dir, base);
      WordList all = kind == Base::None ? WordList() : FromLibrary(dir, base);
      ASSERT_EQ(one.InByteOrder(), kind != Base::Unsorted || std::is_sorted(base.begin(), base.end()));
      // Two batches: the second merges into a list that already has inserted words.
      for (int batch = 0; batch < 2; ++batch) {
        Words texts;
        for (int i = 0; i < 60; ++i) texts.push_back(randomText());
        texts.push_back(texts.front());  // a duplicate within the batch
        size_t inserted = 0;
        for (const auto& text : texts) inserted += one.InsertWord(text) == WordList::Insertion::Inserted;
        ASSERT_EQ(all.InsertWords(texts), inserted);
        ASSERT_EQ(Contents(all), Contents(one)) << "round " << round << " batch " << batch;
      }
      for (int probe = 0; probe < 50; ++probe) {
        const std::string word = cp1251::ToUpper(cp1251::Trim(randomText()));
        ASSERT_EQ(all.FindExact(word), one.FindExact(word)) << word;
        ASSERT_EQ(all.Contains(word), one.FindExact(word).has_value()) << word;
        ASSERT_EQ(all.LowerBound(word), one.LowerBound(word)) << word;
      }
    }
  }
}

// Libraries large enough for their indexes to matter: many words share their
// first eight bytes (long runs of one prefix span several index samples), and
// some stand twice. The small one keeps a hash index for exact lookups, the
// large one (like the Russian dictionary) finds them by its sorted search.
// Lookups must agree with a plain search of the same words.
TEST(WordListModel, LargeLibraryLookupsMatchAPlainSearch) {
  for (const int libraryWords : {6000, 400000}) {
    std::mt19937 random(libraryWords);
    Words words;
    for (int i = 0; i < libraryWords; ++i) {
      std::string w = (i % 3 == 0) ? "\xCF\xC5\xD0\xC5\xCF\xC8\xD1\xDB" : "";  // ПЕРЕПИСЫ: one long shared prefix
      const int length = 1 + random() % 12;
      for (int k = 0; k < length; ++k) w += static_cast<char>(random() % 2 ? 'A' + random() % 4 : 0xC0 + random() % 4);
      words.push_back(w);
    }
    std::sort(words.begin(), words.end());
    words.insert(words.begin() + 100, words[100]);  // equal neighbours: the first is the one found

    TempFolder dir;
    testing::WriteDictionary(dir / "lib", words);
    for (const uint32_t count : {uint32_t(words.size()), uint32_t(words.size() / 2)}) {
      WordList list;
      list.AppendLibrary(LanguageLibrary::Open(dir / "lib"), count);
      const Words listed(words.begin(), words.begin() + count);
      ASSERT_EQ(list.size(), listed.size());
      for (int probe = 0; probe < 4000; ++probe) {
        std::string word = words[random() % words.size()];
        if (probe % 2) word = RandomVariant(word, random);
        const size_t first = std::lower_bound(listed.begin(), listed.end(), word) - listed.begin();
        const bool present = first < listed.size() && listed[first] == word;
        ASSERT_EQ(list.FindExact(word), present ? std::optional<size_t>(first) : std::nullopt) << word;
        ASSERT_EQ(list.Contains(word), present) << word;
        ASSERT_EQ(list.LowerBound(word), std::min(first, listed.size() - 1)) << word;
      }
    }
  }
}

}  // namespace
}  // namespace vuruzid
