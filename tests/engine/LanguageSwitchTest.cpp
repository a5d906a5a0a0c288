#include "EngineFixture.h"

#include <fstream>
#include <random>
#include <set>

#include "engine/UserWordFile.h"

namespace vuruzid {
namespace {

using Words = std::vector<std::string>;

class LanguageSwitch : public EngineFixture {};

TEST_F(LanguageSwitch, LoadsTheLibraryAndMergesTheUserWords) {
  WriteEnglish({"CAT", "DOG"});
  dir_.Write("data/dat_u.txt", "  apple\r\nAPPLE\r\n\r\nbanana \r\n");
  Engine().ActivateLanguage(0);
  EXPECT_EQ(ListedWords(), (Words{"APPLE", "BANANA", "CAT", "DOG"}));
  EXPECT_EQ(Engine().userWordList(), (Words{"  apple", "APPLE", "", "banana "}));
  EXPECT_EQ(Engine().display().language, "Eng");
  EXPECT_EQ(Engine().layoutId(), "00000409");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(LanguageSwitch, SwitchingTwiceRebuildsBothListsAndKeepsTheWord) {
  WriteEnglish({"CAT", "DOG"});
  WriteRussian({"КОТ", "ПЁС"});
  dir_.Write("data/datr_u.txt", *cp1251::FromUtf8("мышь\n"));
  Engine().ActivateLanguage(0);
  Engine().ProcessKey('C', 1);
  Engine().ProcessKey('A', 1);

  Engine().SwitchLanguage();
  EXPECT_EQ(Engine().language(), 1);
  EXPECT_EQ(Engine().display().language, "Rus");
  EXPECT_EQ(Engine().layoutId(), "00000419");
  EXPECT_EQ(ListedWords(), (Words{*cp1251::FromUtf8("КОТ"), *cp1251::FromUtf8("МЫШЬ"), *cp1251::FromUtf8("ПЁС")}));
  EXPECT_EQ(Engine().currentWord(), "CA");
  EXPECT_TRUE(Engine().display().suggestions.empty());

  // The next key is read with the Russian layout: the key labelled F types А.
  Engine().ProcessKey('F', 1);
  EXPECT_EQ(Engine().currentWord(), "CA\xC0");

  Engine().SwitchLanguage();
  EXPECT_EQ(Engine().language(), 0);
  EXPECT_EQ(ListedWords(), (Words{"CAT", "DOG"}));
  EXPECT_TRUE(Engine().userWordList().empty());
}

TEST_F(LanguageSwitch, AMissingOrDamagedLibraryIsReportedAndLeavesAnEmptyList) {
  Engine().ActivateLanguage(1);
  EXPECT_EQ(messages_, (Words{"Can not load russian.dll"}));
  EXPECT_TRUE(Engine().wordList().empty());
  EXPECT_EQ(Engine().layoutId(), "00000419");  // the rest of the switch still happens

  dir_.Write("english.dll", "QVLIB\r\n\x1a garbage");
  Engine().ActivateLanguage(0);
  EXPECT_EQ(messages_.back(), "Can not load english.dll");

  // A count promising more words than the table holds.
  testing::WriteDictionary(dir_ / "english.dll", {"CAT"}, "5");
  Engine().ActivateLanguage(0);
  EXPECT_EQ(messages_.size(), 3u);
  EXPECT_TRUE(Engine().wordList().empty());
}

TEST_F(LanguageSwitch, UserWordsStillLoadWithoutALibrary) {
  dir_.Write("data/dat_u.txt", "zebra\r\nant\r\n");
  Engine().ActivateLanguage(0);
  EXPECT_EQ(ListedWords(), (Words{"ANT", "ZEBRA"}));
}

TEST_F(LanguageSwitch, ACountThatIsNotANumberRaisesTheConversionError) {
  testing::WriteDictionary(dir_ / "english.dll", {"CAT"}, "abc");
  dir_.Write("data/dat_u.txt", "dog\r\n");
  try {
    Engine().ActivateLanguage(0);
    FAIL() << "no error raised";
  } catch (const EngineError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
  // What ran before the error stays; what comes after it did not run.
  EXPECT_EQ(Engine().display().language, "Eng");
  EXPECT_TRUE(Engine().wordList().empty());
  EXPECT_TRUE(Engine().userWordList().empty());
  EXPECT_EQ(Engine().layoutId(), "");
}

TEST_F(LanguageSwitch, ACountOfZeroOrLessMeansNoWords) {
  for (const char* count : {"0", "-3", " 0"}) {
    testing::WriteDictionary(dir_ / "english.dll", {"CAT"}, count);
    Engine().ActivateLanguage(0);
    EXPECT_TRUE(Engine().wordList().empty()) << count;
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(LanguageSwitch, AddedWordsAreSavedToTheFileOfTheCurrentLanguage) {
  WriteEnglish({"CAT"});
  WriteRussian({"КОТ"});
  Engine().ActivateLanguage(0);
  Engine().AddUserWord(" PADDED ");
  Engine().AddUserWord("CAT");
  Engine().AddUserWord("");
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), " PADDED \r\nCAT\r\n\r\n");
  EXPECT_EQ(ListedWords(), (Words{"CAT", "PADDED"}));
  EXPECT_EQ(Engine().display().word, "");
  EXPECT_EQ(Engine().display().wordColour, kLimeColour);

  Engine().SwitchLanguage();
  Engine().AddUserWord(*cp1251::FromUtf8("ЁЖ"));
  EXPECT_EQ(dir_.Read("data/datr_u.txt"), *cp1251::FromUtf8("ЁЖ\r\n"));
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), " PADDED \r\nCAT\r\n\r\n");
}

TEST_F(LanguageSwitch, AFailedSaveIsReportedAndKeepsTheWordInMemory) {
  WriteEnglish({"CAT"});
  Engine().ActivateLanguage(0);
  std::filesystem::remove(dir_ / "data");
  EXPECT_THROW(
      {
        try {
          Engine().AddUserWord("DOG");
        } catch (const EngineError& e) {
          EXPECT_STREQ(e.what(), "Cannot create file data/dat_u.txt");
          throw;
        }
      },
      EngineError);
  EXPECT_EQ(ListedWords(), (Words{"CAT", "DOG"}));
  EXPECT_EQ(Engine().userWordList(), Words{"DOG"});

  // Once the folder is back, the next save writes the kept word too.
  std::filesystem::create_directory(dir_ / "data");
  Engine().AddUserWord("EMU");
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), "DOG\r\nEMU\r\n");
}

// Adding a word keeps whatever the file held byte for byte, also what the
// reader could not take, and puts the word where the next read sees it (before
// a NUL byte); the user hears about such a file once.
TEST_F(LanguageSwitch, AddingAWordKeepsEveryByteTheFileHeld) {
  const std::string withNul("GOODWORD\r\nBAD\0BYTE\r\nLASTWORD\r\nMYWORD\r\n", 37);
  const std::string utf16("\xFF\xFE" "A\0P\0E\0\r\0\n\0", 12);
  const struct {
    const char* what;
    std::string before;
    Words read;
    std::string after;
    bool unreadable;
  } cases[] = {
      {"a NUL byte", withNul, {"GOODWORD", "BAD"},
       "GOODWORD\r\nBAD\r\nZQXW\r\n" + withNul.substr(13), true},
      {"UTF-16", utf16, {"\xFF\xFE" "A"}, utf16 + "\r\nZQXW\r\n", true},  // it ends in a NUL, not a line end
      {"no line end at the end", "ONE\r\nTWO", {"ONE", "TWO"}, "ONE\r\nTWO\r\nZQXW\r\n", false},
      {"a lone CR at the end", "ONE\r", {"ONE"}, "ONE\rZQXW\r\n", false},
      {"an empty file", "", {}, "ZQXW\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    engine_.reset();
    messages_.clear();
    WriteEnglish({"CAT"});
    dir_.Write("data/dat_u.txt", c.before);
    Engine().ActivateLanguage(0);
    EXPECT_EQ(Engine().userWordList(), c.read);
    Engine().AddUserWord("ZQXW");
    EXPECT_EQ(dir_.Read("data/dat_u.txt"), c.after);
    EXPECT_TRUE(Engine().wordList().FindExact("ZQXW"));

    Engine().SwitchLanguage();
    Engine().SwitchLanguage();
    // Read again from the file: a UTF-16 file cannot give it back.
    EXPECT_EQ(Engine().wordList().FindExact("ZQXW").has_value(), c.before != utf16);
    ASSERT_EQ(messages_.size(), c.unreadable ? 2u : 1u);  // the missing Russian library, and the file once
    if (c.unreadable) {
      EXPECT_NE(messages_[0].find("data/dat_u.txt"), std::string::npos) << messages_[0];
      EXPECT_NE(messages_[0].find(c.before == utf16 ? "left as it is" : "Nothing in the file is removed"),
                std::string::npos)
          << messages_[0];
    }
  }
}

TEST_F(LanguageSwitch, WordsWhoseSaveFailedStayThroughSwitchesUntilASaveSucceeds) {
  WriteEnglish({"CAT"});
  WriteRussian({"КОТ"});
  dir_.Write("data/dat_u.txt", "ANT\r\n");
  Engine().ActivateLanguage(0);
  std::filesystem::permissions(dir_ / "data/dat_u.txt", std::filesystem::perms::owner_read);
  EXPECT_THROW(Engine().AddUserWord("DOG"), EngineError);
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), "ANT\r\n");

  Engine().SwitchLanguage();
  Engine().SwitchLanguage();
  EXPECT_EQ(Engine().userWordList(), (Words{"ANT", "DOG"}));
  EXPECT_EQ(ListedWords(), (Words{"ANT", "CAT", "DOG"}));

  std::filesystem::permissions(dir_ / "data/dat_u.txt", std::filesystem::perms::owner_all);
  Engine().AddUserWord("EMU");
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), "ANT\r\nDOG\r\nEMU\r\n");
}

TEST_F(LanguageSwitch, AHundredThousandUserWordsRoundTrip) {
  WriteEnglish({"CAT", "DOG"});
  std::mt19937 random(3);
  Words written;
  for (int i = 0; i < 100000; ++i) {
    std::string word;
    for (int k = 0, n = 1 + random() % 12; k < n; ++k) word += static_cast<char>('a' + random() % 26);
    written.push_back(word);
  }
  ASSERT_TRUE(AppendUserWords(dir_ / "data/dat_u.txt", written));
  Engine().ActivateLanguage(0);
  EXPECT_EQ(Engine().userWordList(), written);

  std::set<std::string> expected{"CAT", "DOG"};
  for (const auto& w : written) expected.insert(cp1251::ToUpper(w));
  EXPECT_EQ(ListedWords(), Words(expected.begin(), expected.end()));
  EXPECT_TRUE(messages_.empty());
}

// The library in use is a private copy: the file rewritten under it, even
// cut short or with its offsets sent astray, changes nothing until the next
// switch, which reads the file again and refuses it when it is damaged.
TEST_F(LanguageSwitch, ADictionaryOverwrittenInPlaceWhileInUseNeverCrashes) {
  Words words;
  for (char a = 'A'; a <= 'Z'; ++a)
    for (char b = 'A'; b <= 'Z'; ++b) words.push_back(std::string{'C', a, b});
  WriteEnglish(words);
  const std::string good = dir_.Read("english.dll");
  std::string patched = good;
  for (size_t at = 24; at < 24 + 4 * 40; at += 4) patched[at + 3] = '\x7F';  // offsets far past the file
  const struct {
    const char* what;
    std::string bytes;
  } damages[] = {{"cut to half", good.substr(0, good.size() / 2)}, {"offsets patched", patched}, {"emptied", ""}};

  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.what);
    engine_.reset();
    messages_.clear();
    WriteEnglish(words);
    Engine().ActivateLanguage(0);
    ASSERT_EQ(Engine().wordList().size(), words.size());
    {
      // Overwrite the same file in place, as `cp new.dll english.dll` does.
      std::ofstream out(dir_ / "english.dll", std::ios::binary | std::ios::trunc);
      out << damage.bytes;
    }
    for (int key : {'C', 'A', 'T', ' ', 'C', 'Z', 'Z', ' '}) Engine().ProcessKey(key, 1);
    EXPECT_EQ(Engine().wordList().size(), words.size());
    EXPECT_EQ(Engine().wordList().FindExact("CZZ"), words.size() - 1);

    Engine().SwitchLanguage();
    Engine().SwitchLanguage();
    EXPECT_EQ(messages_.back(), "Can not load english.dll");
    Engine().ProcessKey('C', 1);
    EXPECT_TRUE(Engine().wordList().empty());

    WriteEnglish(words);  // a good file again is taken at the next switch
    Engine().SwitchLanguage();
    Engine().SwitchLanguage();
    EXPECT_EQ(Engine().wordList().size(), words.size());
  }
}

TEST(WordToOffer, CleansTheDisplayedWord) {
  EXPECT_FALSE(WordToOffer(""));
  EXPECT_FALSE(WordToOffer(" "));
  EXPECT_FALSE(WordToOffer("\tWORD"));
  EXPECT_EQ(WordToOffer("  "), "");
  EXPECT_EQ(WordToOffer("_"), "");
  EXPECT_EQ(WordToOffer("WORD_"), "WORD");
  EXPECT_EQ(WordToOffer("AB_C_"), "ABC_");
  EXPECT_EQ(WordToOffer(" PADDED "), "PADDED");
  EXPECT_EQ(WordToOffer("C__AX"), "C_AX");
}

}  // namespace
}  // namespace vuruzid
