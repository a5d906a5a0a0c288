#include "EngineFixture.h"

#include <fstream>
#include <functional>
#include <random>
#include <set>

#include "engine/UserWordFile.h"
#include "platform/WholeFile.h"

namespace vuruzid {
namespace {

using Words = std::vector<std::string>;
using testing::TempFolder;

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
  // A word that is the user's own already is not written twice.
  Engine().AddUserWord("CAT");
  Engine().AddUserWord("PADDED");
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), " PADDED \r\nCAT\r\n\r\n");
  EXPECT_EQ(Engine().OwnWords(), (Words{"CAT", "PADDED"}));

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

// Windows-1251 bytes of UTF-8 text.
std::string Cp(std::string_view utf8) { return *cp1251::FromUtf8(utf8); }

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Types the keys of a word and a blank; the beeps of the blank (0 for a known word).
int TypeWord(SpellingEngine& engine, std::string_view keys) {
  for (const char key : keys) engine.ProcessKey(key, 1);
  return engine.ProcessKey(' ', 1);
}

TEST(UserWordFile, ReadsAReSavedUtf8FileInWindows1251) {
  TempFolder dir;
  const struct {
    const char* what;
    std::string bytes;
    Words lines;
    bool utf8, byteOrderMark, lfLineEnds;
    size_t unusable;
  } cases[] = {
      {"UTF-8, CR LF", "мышь\r\n ёж \r\n\r\n", {Cp("мышь"), Cp(" ёж "), ""}, true, false, false, 0},
      {"a byte-order mark, LF", std::string(kBom) + "мышь\nкот", {Cp("мышь"), Cp("кот")}, true, true, true, 0},
      {"a mark before English words", std::string(kBom) + "apple\r\n", {"apple"}, true, true, false, 0},
      {"a character the code page lacks", "мышь\nŁódź\nкот\n", {Cp("мышь"), Cp("кот")}, true, false, true, 1},
      {"UTF-8 before a NUL byte", std::string("кот\n\0\xFF", 9), {Cp("кот")}, true, false, true, 0},
      {"Windows-1251", Cp("мышь\r\nКОТ\r\n"), {Cp("мышь"), Cp("КОТ")}, false, false, false, 0},
      {"plain ASCII", "apple\n", {"apple"}, false, false, false, 0},
      {"Cyrillic, then a malformed byte", "мышь\n\xFF\n", {"мышь", "\xFF"}, false, false, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("dat_u.txt", c.bytes);
    const auto read = ReadUserWordFile(dir / "dat_u.txt");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->lines, c.lines);
    EXPECT_EQ(read->utf8, c.utf8);
    EXPECT_EQ(read->byteOrderMark, c.byteOrderMark);
    EXPECT_EQ(read->lfLineEnds, c.lfLineEnds);
    EXPECT_EQ(read->unusableLines, c.unusable);
    EXPECT_EQ(read->problem, UserWordFileProblem::None);
  }
}

TEST(UserWordFile, AddsToAFileInTheFormItWasReadIn) {
  TempFolder dir;
  const struct {
    const char* what;
    std::string before, after;
  } cases[] = {
      {"UTF-8, CR LF", "мышь\r\n", "мышь\r\nЛИС\r\n"},
      {"UTF-8, LF, no line end at the end", std::string(kBom) + "мышь\nкот",
       std::string(kBom) + "мышь\nкот\nЛИС\n"},
      {"UTF-8 before a NUL byte", std::string("мышь\n\0tail", 14), std::string("мышь\nЛИС\n\0tail", 21)},
      {"Windows-1251 with LF", Cp("мышь\n"), Cp("мышь\nЛИС\r\n")},
      {"plain ASCII without a line end", "ant", "ant\r\n" + Cp("ЛИС\r\n")},
      {"a byte-order mark alone", std::string(kBom), std::string(kBom) + "ЛИС\r\n"},
      {"a byte-order mark before a NUL byte", std::string(kBom) + std::string(1, '\0'),
       std::string(kBom) + "ЛИС\r\n" + std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("datr_u.txt", c.before);
    const auto read = ReadUserWordFile(dir / "datr_u.txt");
    ASSERT_TRUE(read);
    ASSERT_TRUE(AppendUserWords(dir / "datr_u.txt", {Cp("ЛИС")}, *read));
    EXPECT_EQ(dir.Read("datr_u.txt"), c.after);
  }
}

TEST(UserWordFile, RemovingWordsKeepsEveryOtherByte) {
  TempFolder dir;
  const struct {
    const char* what;
    std::string before;
    Words remove;
    std::string after;
  } cases[] = {
      {"CR LF, blank lines, odd spacing", "ANT\r\n\r\n  dog \r\nCAT\r\n\tEmu\r\n\r\n", {"DOG", "EMU"},
       "ANT\r\n\r\nCAT\r\n\r\n"},
      {"every kind of line end", "A\nB\rC\r\nD\n\rE", {"B", "E", "Q"}, "A\nC\r\nD\n\r"},
      {"the last line without its end", "ANT\r\nDOG", {"DOG"}, "ANT\r\n"},
      {"every copy of a word", "dog\r\nDOG\r\n Dog\r\nANT", {"DOG"}, "ANT"},
      {"a NUL byte and what follows it", std::string("ANT\r\nDOG\r\n\0DOG\r\n\xFF", 17), {"DOG"},
       std::string("ANT\r\n\0DOG\r\n\xFF", 12)},
      {"Windows-1251 Russian", Cp("мышь\r\nКОТ\r\n"), {Cp("КОТ")}, Cp("мышь\r\n")},
      {"UTF-8 with its mark", std::string(kBom) + "мышь\r\nкот\r\n", {Cp("МЫШЬ")}, std::string(kBom) + "кот\r\n"},
      {"UTF-8 with a line the code page lacks", "ёж\nŁódź\nкот\n", {Cp("ЁЖ")}, "Łódź\nкот\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("dat_u.txt", c.before);
    std::string problem;
    EXPECT_TRUE(RemoveUserWordLines(dir / "dat_u.txt", c.remove, &problem)) << problem;
    EXPECT_EQ(dir.Read("dat_u.txt"), c.after);
  }
}

TEST(UserWordFile, AFileWithoutTheWordsIsNotRewritten) {
  TempFolder dir;
  dir.Write("dat_u.txt", "ANT\r\nDOG\r\n");
  const auto stamp = platform::StampOf(dir / "dat_u.txt");
  EXPECT_TRUE(RemoveUserWordLines(dir / "dat_u.txt", {"CAT", ""}));
  EXPECT_EQ(platform::StampOf(dir / "dat_u.txt"), stamp);
  EXPECT_TRUE(RemoveUserWordLines(dir / "missing.txt", {"CAT"}));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.txt"));
}

class OwnWords : public EngineFixture {};

TEST_F(OwnWords, RemovedWordsFollowInTheListAtOnce) {
  WriteEnglish({"CAT", "DOG"});
  dir_.Write("data/dat_u.txt", "ZEBRA\r\ncat\r\n  ant \r\nZEBRA\r\n");
  Engine().ActivateLanguage(0);
  Engine().AddUserWord("EMU");
  EXPECT_EQ(Engine().OwnWords(), (Words{"ANT", "CAT", "EMU", "ZEBRA"}));
  ASSERT_EQ(TypeWord(Engine(), "ZEBRA"), 0);

  Engine().RemoveOwnWords({"ZEBRA", "Cat", "EMU"});
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), "  ant \r\n");
  EXPECT_EQ(Engine().OwnWords(), Words{"ANT"});
  EXPECT_TRUE(Engine().wordList().Contains("CAT"));  // the library's word stays right
  EXPECT_FALSE(Engine().wordList().Contains("ZEBRA"));
  EXPECT_FALSE(Engine().wordList().Contains("EMU"));
  EXPECT_GT(TypeWord(Engine(), "ZEBRA"), 0);
  EXPECT_EQ(TypeWord(Engine(), "CAT"), 0);
  EXPECT_EQ(Engine().display().language, "Eng");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(OwnWords, AnUnsavedWordIsForgottenWhenRemoved) {
  WriteEnglish({"CAT"});
  Engine().ActivateLanguage(0);
  std::filesystem::remove(dir_ / "data");
  EXPECT_THROW(Engine().AddUserWord("GNU"), EngineError);
  EXPECT_THROW(Engine().AddUserWord("YAK"), EngineError);
  EXPECT_EQ(Engine().OwnWords(), (Words{"GNU", "YAK"}));

  Engine().RemoveOwnWords({"GNU"});  // no file to rewrite
  EXPECT_EQ(Engine().OwnWords(), Words{"YAK"});
  EXPECT_FALSE(Engine().wordList().Contains("GNU"));
  std::filesystem::create_directory(dir_ / "data");
  Engine().SaveAllUserWords();
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), "YAK\r\n");
}

TEST_F(OwnWords, AFileThatCannotBeWrittenKeepsTheFileAndTheList) {
  WriteEnglish({"CAT"});
  dir_.Write("data/dat_u.txt", "ANT\r\nDOG\r\n");
  Engine().ActivateLanguage(0);
  // Without its owner's write bit the file is left alone, also by root.
  std::filesystem::permissions(dir_ / "data/dat_u.txt", std::filesystem::perms::owner_read);
  try {
    Engine().RemoveOwnWords({"DOG"});
    ADD_FAILURE() << "no error raised";
  } catch (const EngineError& e) {
    EXPECT_EQ(std::string(e.what()),
              "No word was removed: data/dat_u.txt cannot be written (its folder may be read-only or full). The "
              "file is left as it was.");
  }
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), "ANT\r\nDOG\r\n");
  EXPECT_EQ(Engine().OwnWords(), (Words{"ANT", "DOG"}));
  EXPECT_TRUE(Engine().wordList().Contains("DOG"));
}

TEST_F(OwnWords, AUtf8FileIsReadAddedToAndRemovedFromInUtf8) {
  WriteEnglish({"CAT"});
  WriteRussian({"КОТ"});
  dir_.Write("data/datr_u.txt", "мышь\r\nёж\r\n");
  Engine().ActivateLanguage(1);
  EXPECT_EQ(Engine().OwnWords(), (Words{Cp("ЁЖ"), Cp("МЫШЬ")}));
  EXPECT_EQ(TypeWord(Engine(), "VSIM"), 0);  // МЫШЬ on the Russian layout's keys
  EXPECT_EQ(messages_, Words{"data/datr_u.txt was saved as UTF-8 text; its words are read as such, and the words "
                             "you add are written in UTF-8 too."});
  EXPECT_TRUE(Engine().OwnWordFileProblem().empty());

  Engine().AddUserWord(Cp("ЛИС"));
  EXPECT_EQ(dir_.Read("data/datr_u.txt"), "мышь\r\nёж\r\nЛИС\r\n");
  Engine().SwitchLanguage();
  Engine().SwitchLanguage();
  EXPECT_EQ(messages_.size(), 1u);  // told once a run
  EXPECT_EQ(TypeWord(Engine(), "KBC"), 0);  // ЛИС

  Engine().RemoveOwnWords({Cp("МЫШЬ")});
  EXPECT_EQ(dir_.Read("data/datr_u.txt"), "ёж\r\nЛИС\r\n");
  EXPECT_GT(TypeWord(Engine(), "VSIM"), 0);
  EXPECT_EQ(messages_.size(), 1u);
}

// A file the program cannot read at all is named with the reason, once; its
// words cannot be removed, and nothing of it changes.
TEST_F(OwnWords, AFileThatCannotBeReadIsReportedAndNeverRewritten) {
  const struct {
    const char* what;
    std::function<void(const testing::TempFolder&)> make;
    const char* watched;  // what must stay as it was
    std::string reason;
    bool bindsForRoot;
  } cases[] = {
      {"a folder in its place",
       [](const testing::TempFolder& dir) { dir.Write("data/dat_u.txt/ANT", "ANT\r\n"); }, "data/dat_u.txt/ANT",
       "data/dat_u.txt is a folder, not a file", true},
      {"a file in the place of its folder",
       [](const testing::TempFolder& dir) {
         std::filesystem::remove(dir / "data");
         dir.Write("data", "ANT\r\n");
       },
       "data", "data/dat_u.txt cannot be read (a file stands where its folder should be)", true},
      {"a huge file",
       [](const testing::TempFolder& dir) {
         dir.Write("data/dat_u.txt", "ANT\r\n");
         std::filesystem::resize_file(dir / "data/dat_u.txt", kMaxUserWordFileBytes + 1);  // sparse
       },
       "data/dat_u.txt", "data/dat_u.txt is larger than 16 MiB, too large for a word file", true},
      {"no permission to read it",
       [](const testing::TempFolder& dir) {
         dir.Write("data/dat_u.txt", "ANT\r\n");
         std::filesystem::permissions(dir / "data/dat_u.txt", std::filesystem::perms::owner_write);
       },
       "data/dat_u.txt", "data/dat_u.txt cannot be read (it cannot be opened for reading; check its permissions)", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.bindsForRoot && ::geteuid() == 0) continue;  // permissions do not stop root
    testing::TempFolder dir;
    std::filesystem::create_directory(dir / "data");
    testing::WriteDictionary(dir / "english.dll", {"CAT"});
    c.make(dir);
    const auto before = platform::StampOf(dir / c.watched);
    ASSERT_TRUE(before);
    std::vector<std::string> messages;
    SpellingEngine engine(EngineFiles{dir.path(), {dir.path()}}, [&](const std::string& m) { messages.push_back(m); });

    engine.ActivateLanguage(0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], c.reason + ", so the words in it are not used. Nothing in it is removed.");
    EXPECT_EQ(engine.OwnWordFileProblem(), c.reason + ": its words cannot be read or removed.");
    EXPECT_TRUE(engine.OwnWords().empty());
    try {
      engine.RemoveOwnWords({"ANT"});
      ADD_FAILURE() << "no error raised";
    } catch (const EngineError& e) {
      EXPECT_EQ(std::string(e.what()), "No word was removed: " + c.reason + ". The file is left as it was.");
    }
    EXPECT_EQ(platform::StampOf(dir / c.watched), before);
    engine.SwitchLanguage();
    engine.SwitchLanguage();
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [](const std::string& m) { return m.starts_with("data/dat_u.txt"); }),
              1);  // told once a run
  }
}

TEST_F(OwnWords, AUtf16FileIsNotRewritten) {
  WriteEnglish({"CAT"});
  const std::string utf16("\xFF\xFE" "A\0N\0T\0\r\0\n\0", 12);
  dir_.Write("data/dat_u.txt", utf16);
  Engine().ActivateLanguage(0);
  EXPECT_EQ(Engine().OwnWordFileProblem(),
            "data/dat_u.txt is saved as UTF-16 text, which the program cannot read: its words cannot be read or "
            "removed.");
  EXPECT_THROW(Engine().RemoveOwnWords({"\xFF\xFE" "A"}), EngineError);
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), utf16);
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
