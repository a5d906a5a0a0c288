#include "EngineFixture.h"

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
