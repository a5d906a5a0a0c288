// The sources of the word frequency side files, and the builder's mode that
// writes them, run on small files in a temporary folder.
#include "tools/dictbuild/FrequencySources.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"
#include "engine/WordFrequencies.h"

namespace vuruzid::dictbuild {
namespace {

namespace fs = std::filesystem;

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or("<not in the code page>"); }

TEST(ReadModelUnigramsTest, AddsUpTheFormsThatSpellAlike) {
  const std::vector<std::string> model = {"\\data\\", "ngram 1=9", "", "\\1-grams:", "1 <s>", "1 <unk>", "10 the",
                                          "5 The", "3 don't", "2 всё", "4 все", "7 naïve", "9 1st", "", "\\2-grams:",
                                          "99 the cat"};
  std::string error;
  const auto counts = ReadModelUnigrams(model, &error);
  ASSERT_TRUE(counts) << error;
  EXPECT_EQ(*counts, (WordCounts{{"DON`T", 3}, {"THE", 15}, {Cp("ВСЕ"), 6}}));
}

TEST(ReadModelUnigramsTest, RefusesWhatIsNoCountedUnigram) {
  const std::vector<std::vector<std::string>> bad = {
      {"\\data\\", "ngram 1=1"}, {"\\1-grams:", "-2.5 the"}, {"\\1-grams:", "12"}, {"\\1-grams:", "12the"},
      {"\\1-grams:", "3 the cat"}};
  for (const auto& model : bad) {
    std::string error;
    EXPECT_FALSE(ReadModelUnigrams(model, &error)) << model.back();
    EXPECT_FALSE(error.empty()) << model.back();
  }
}

TEST(AddLevelWordsTest, KeepsTheCommonestLevel) {
  WordLevels levels;
  AddLevelWords({"cat", "it's", "café", "dog"}, 35, levels);
  AddLevelWords({"cat", "Cat"}, 10, levels);
  AddLevelWords({"dog"}, 50, levels);
  EXPECT_EQ(levels, (WordLevels{{"CAT", 10}, {"IT`S", 35}, {"DOG", 35}}));
}

TEST(CombineWithLevelsTest, WordsTheModelLacksRankAfterItsLastWordLevelByLevel) {
  // Two counted words: the curve falls as 1/rank (too short to fit), from
  // 500 at rank 2. The lacking level-10 word takes rank 3, the two level-35
  // words ranks 4 and 5 (middle 4.5), the level-70 word rank 6.
  const auto combined = CombineWithLevels({{"A", 2000}, {"B", 500}},
                                          {{"A", 10}, {"C", 10}, {"D", 35}, {"E", 35}, {"F", 70}, {"B", 95}});
  EXPECT_EQ(combined.counts,
            (WordCounts{{"A", 2000}, {"B", 500}, {"C", 333}, {"D", 222}, {"E", 222}, {"F", 167}}));
  ASSERT_EQ(combined.table.size(), kWordListLevels.size());
  const LevelRow& first = combined.table.front();
  EXPECT_EQ((std::vector<uint64_t>{first.words, first.counted, first.medianCount, first.givenCount}),
            (std::vector<uint64_t>{2, 1, 2000, 333}));
  for (size_t i = 1; i < combined.table.size(); ++i)
    EXPECT_LE(combined.table[i].givenCount, combined.table[i - 1].givenCount) << combined.table[i].level;
}

// The builder's mode, end to end: only the library's words are written.
TEST(FrequencyProgramTest, WritesTheCountsOfTheLibraryWords) {
  const fs::path folder = fs::temp_directory_path() / ("vuruzid-frequencies-" + std::to_string(::getpid()));
  fs::create_directories(folder / "levels");
  const auto write = [&](const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; };
  ASSERT_TRUE(WriteLanguageLibrary(folder / "english.dll", {"3", "CAT", "DOG", "EMU"}));
  write(folder / "en.lm", "\\1-grams:\n1 <s>\n900 cat\n100 Cat\n50 yak\n");
  for (const int level : kWordListLevels) {
    write(folder / "levels" / ("english-words." + std::to_string(level)), level == 20 ? "dog\nyak\n" : "");
    write(folder / "levels" / ("american-words." + std::to_string(level)), "");
  }
  const std::string program = VURUZID_DICTBUILD_PROGRAM;
  const std::string run = program + " --frequencies " + (folder / "english.dll").string() + " " +
                          (folder / "english.frq").string() + " --model " + (folder / "en.lm").string();
  ASSERT_EQ(std::system((run + " --levels " + (folder / "levels").string() + " > /dev/null").c_str()), 0);
  std::string error;
  const auto frequencies = WordFrequencies::Load(folder / "english.frq", &error);
  ASSERT_TRUE(frequencies) << error;
  EXPECT_EQ(frequencies->FileText(), "QVFREQ 1\n2\nCAT\t1000\nDOG\t500\n");  // DOG: 1000 * (1/2)^1, at rank 2

  // A model that counts none of the library's words, or a missing level list, writes nothing.
  fs::remove(folder / "english.frq");
  write(folder / "en.lm", "\\1-grams:\n50 yak\n");
  EXPECT_NE(std::system((run + " > /dev/null 2>&1").c_str()), 0);
  write(folder / "en.lm", "\\1-grams:\n50 cat\n");
  fs::remove(folder / "levels" / "english-words.95");
  EXPECT_NE(std::system((run + " --levels " + (folder / "levels").string() + " > /dev/null 2>&1").c_str()), 0);
  EXPECT_FALSE(fs::exists(folder / "english.frq"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace vuruzid::dictbuild
