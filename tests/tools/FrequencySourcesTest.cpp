// The sources of the word frequency side files, and the builder's mode that
// writes them, run on small files in a temporary folder.
#include "tools/dictbuild/FrequencySources.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"
#include "engine/WordFrequencies.h"
#include "tools/dictbuild/CyrillicText.h"
#include "tools/dictbuild/FrequencyMerge.h"
#include "tools/dictbuild/StemGroups.h"

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

TEST(CaseOfTest, TellsSmallCapitalisedAndNothing) {
  const std::vector<std::pair<std::string, uint8_t>> rows = {
      {Cp("корова"), kSeenLower}, {Cp("Кирова"), kSeenCapitalised}, {Cp("СССР"), 0}, {Cp("Я"), 0},
      {"the", kSeenLower},        {"John", kSeenCapitalised},       {"-", 0},        {"", 0}};
  for (const auto& [word, expected] : rows) EXPECT_EQ(CaseOf(word), expected) << cp1251::ToUtf8(word);
}

TEST(CountCyrillicWordsTest, CountsWordsOutsideMarkupAndLabels) {
  struct Row {
    const char* text;
    WordCounts counts;
    uint64_t tokens;
  };
  const std::vector<Row> rows = {
      {"<p title=\"x\">Корова &amp; молоко</p>", {{Cp("КОРОВА"), 1}, {Cp("МОЛОКО"), 1}}, 2},
      {"cow _зоол. корова; ёжик, Ёжик", {{Cp("КОРОВА"), 1}, {Cp("ЕЖИК"), 2}}, 3},
      {"из-за угла - вот", {{Cp("ИЗ-ЗА"), 1}, {Cp("УГЛА"), 1}, {Cp("ВОТ"), 1}}, 3},
      {"кот-", {{Cp("КОТ"), 1}}, 1},
      {"naïve ∑ no words", {}, 0}};
  for (const auto& row : rows) {
    TextCounts counted;
    CountCyrillicWords(row.text, counted);
    EXPECT_EQ(counted.counts, row.counts) << row.text;
    EXPECT_EQ(counted.tokens, row.tokens) << row.text;
  }
}

TEST(CountCyrillicWordsTest, ACapitalCountsOnlyInsideASentence) {
  TextCounts counted;
  CountCyrillicWords("Улица Кирова. Корова ест. <b>Молоко</b> и Москва, Москва", counted);
  const std::vector<std::pair<std::string_view, uint8_t>> rows = {
      {"УЛИЦА", 0}, {"КИРОВА", kSeenCapitalised}, {"КОРОВА", 0}, {"ЕСТ", kSeenLower},
      {"МОЛОКО", 0}, {"МОСКВА", kSeenCapitalised}};
  for (const auto& [word, expected] : rows) EXPECT_EQ(counted.cases[Cp(word)], expected) << word;
}

TEST(CountCyrillicWordsInTest, ReadsFoldersButNotCataloguesOrMedia) {
  const fs::path folder = fs::temp_directory_path() / ("vuruzid-prose-" + std::to_string(::getpid()));
  fs::create_directories(folder / "deep");
  std::ofstream(folder / "a.html") << "<p>кот</p>";
  std::ofstream(folder / "deep" / "b.txt") << "кот и пёс";
  std::ofstream(folder / "ru.po") << "msgstr \"кот\"";
  std::ofstream(folder / "clip.webm", std::ios::binary) << std::string("кот\0кот", 13);
  TextCounts counted;
  std::string error;
  ASSERT_TRUE(CountCyrillicWordsIn(folder, counted, &error)) << error;
  EXPECT_EQ(counted.counts, (WordCounts{{Cp("КОТ"), 2}, {Cp("И"), 1}, {Cp("ПЕС"), 1}}));
  EXPECT_FALSE(CountCyrillicWordsIn(folder / "missing", counted, &error));
  EXPECT_NE(error.find("missing"), std::string::npos);
  fs::remove_all(folder);
}

TEST(RankedListPerMillionTest, FallsAsOneOverRankScaledToTheListsShare) {
  const auto perMillion = RankedListPerMillion({"не", "", "ещё", "еще", "naïve", "кот"});
  const double harmonic = 1 + 1.0 / 2 + 1.0 / 3 + 1.0 / 4 + 1.0 / 5;  // five ranked lines; the blank one takes none
  const double top = 1e6 * kRankedListCoverage / harmonic;
  ASSERT_EQ(perMillion.size(), 3u);
  EXPECT_DOUBLE_EQ(perMillion.at(Cp("НЕ")), top);
  EXPECT_DOUBLE_EQ(perMillion.at(Cp("ЕЩЕ")), top / 2 + top / 3);  // ещё and еще spell alike
  EXPECT_DOUBLE_EQ(perMillion.at(Cp("КОТ")), top / 5);
}

TEST(GroupFormsByEntryTest, FollowsTheEntriesOfTheDictionary) {
  struct Row {
    std::vector<std::string> dictionary, expansion;
    std::vector<uint32_t> starts;
    size_t missing, stray;
  };
  const std::vector<Row> rows = {
      {{"2", Cp("корова/A"), Cp("Киров/B")}, {Cp("корова"), Cp("коровы"), Cp("Киров"), Cp("Кирова"), Cp("Кирова")},
       {0, 2, 5}, 0, 0},
      {{"2", "a/X", "b"}, {"x", "a", "ab", "b"}, {0, 2, 3}, 0, 1},
      {{"3", "a", "b", "c"}, {"a", "c", "b"}, {0, 2, 3}, 1, 0}};  // c comes early: its line joins a's group
  for (const auto& row : rows) {
    const StemGroups groups = GroupFormsByEntry(row.dictionary, row.expansion);
    EXPECT_EQ(groups.starts, row.starts) << row.expansion.front();
    EXPECT_EQ(groups.missingRoots, row.missing) << row.expansion.front();
    EXPECT_EQ(groups.strayLines, row.stray) << row.expansion.front();
  }
  const StemGroups names = GroupFormsByEntry(rows[0].dictionary, rows[0].expansion);
  EXPECT_EQ(names.dictionaryCases.at(Cp("КИРОВА")), kSeenCapitalised);
  EXPECT_EQ(names.dictionaryCases.at(Cp("КОРОВЫ")), kSeenLower);
}

TEST(WithStemSharesTest, UncountedFormsShareTheirStemsTotal) {
  // Two words: A (forms A, AB, AC) counted 30 in all; B (forms B, AC) counted
  // not at all. AC is in both: its 6 counts half to each.
  const StemGroups groups = GroupFormsByEntry({"2", "A", "B"}, {"A", "AB", "AC", "B", "AC"});
  const PerMillion direct = {{"A", 24}, {"AC", 6}};
  PriorSummary summary;
  const PerMillion prior = WithStemShares(direct, groups, {"Z", "A"}, &summary);
  const double shareOfA = kStemShare * (24 + 3) / 3, shareOfB = kStemShare * 3 / 2;
  EXPECT_DOUBLE_EQ(prior.at("A"), 24);
  EXPECT_DOUBLE_EQ(prior.at("AB"), shareOfA);
  EXPECT_DOUBLE_EQ(prior.at("B"), shareOfB);
  EXPECT_DOUBLE_EQ(prior.at("AC"), 6);
  EXPECT_DOUBLE_EQ(prior.at("Z"), kPresenceFloor);
  EXPECT_EQ((std::vector<size_t>{summary.direct, summary.stemShare, summary.floor}), (std::vector<size_t>{2, 2, 1}));
}

TEST(PriorEntriesTest, CountsPerBillionAndNamesByTheirCase) {
  const PerMillion prior = {{"A", 2.5}, {"B", 0.0001}, {"C", 0}, {"D", 1}, {"E", 1}};
  const WordCases seen = {{"A", kSeenCapitalised}, {"D", kSeenLower | kSeenCapitalised}};
  const WordCases written = {{"A", kSeenLower}, {"D", kSeenCapitalised}, {"E", kSeenCapitalised}};
  const auto entries = PriorEntries(prior, seen, written);
  ASSERT_EQ(entries.size(), 4u);  // C has nothing
  const std::vector<std::tuple<std::string, uint64_t, bool>> expected = {
      {"A", 2500, true}, {"B", 1, false}, {"D", 1000, false}, {"E", 1000, true}};
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(std::tie(entries[i].word, entries[i].count, entries[i].onlyCapitalised), expected[i]) << i;
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
  const auto words = ReadLibraryWords(folder / "english.dll", &error);
  ASSERT_TRUE(words) << error;
  const auto frequencies = WordFrequencies::Load(folder / "english.frq", *words, &error);
  ASSERT_TRUE(frequencies) << error;
  // DOG: 1000 * (1/2)^1, at rank 2; the table keeps counts on a fine log scale.
  const auto count = [&](std::string_view word) {
    return std::expm1(frequencies->CostOfCount(0) - frequencies->Cost(word, *words));
  };
  EXPECT_NEAR(count("CAT"), 1000, 5);
  EXPECT_NEAR(count("DOG"), 500, 3);
  EXPECT_NEAR(count("EMU"), 0, 0.01);
  EXPECT_EQ(frequencies->CountedWords(), 2u);

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

// The merged mode, end to end, on one file of each source.
TEST(FrequencyProgramTest, MergesTheSourcesPerBillionWithStemSharesAndNames) {
  const fs::path folder = fs::temp_directory_path() / ("vuruzid-merged-" + std::to_string(::getpid()));
  fs::create_directories(folder / "prose");
  const auto write = [&](const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; };
  const std::vector<std::string> library = {"КИРОВ", "КИРОВА", "КОРОВА", "КОРОВАМИ", "КОРОВЫ", "МОЛОКО", "ПРИВЕТ", "ЯК"};
  std::vector<std::string> strings = {std::to_string(library.size())};
  for (const auto& word : library) strings.push_back(Cp(word));
  ASSERT_TRUE(WriteLanguageLibrary(folder / "russian.dll", strings));
  write(folder / "ru.lm", "\\1-grams:\n9000 Кирова\n1000 корова\n");  // 10,000 tokens
  write(folder / "ranked.txt", "привет\nкорова\n");
  write(folder / "words-in-use.txt", "як\nМОЛОКО\n");
  write(folder / "dictionary.txt", "cow\n   корова, коровы _зоол.\n");  // 2 tokens: a label is none
  write(folder / "prose" / "a.html", "<p>Корова и корова</p>");           // 3 tokens
  write(folder / "ru.dic", Cp("2\nКиров/A\nкорова/B\n"));
  write(folder / "ru.forms", Cp("Киров\nКирова\nкорова\nкоровы\nкоровами\n"));
  const std::string program = VURUZID_DICTBUILD_PROGRAM;
  const std::string run = program + " --frequencies " + (folder / "russian.dll").string() + " " +
                          (folder / "russian.frq").string() + " --model " + (folder / "ru.lm").string() +
                          " --ranked " + (folder / "ranked.txt").string() + " --words-in-use " +
                          (folder / "words-in-use.txt").string() + " --dictionary-text " +
                          (folder / "dictionary.txt").string() + " --prose " + (folder / "prose").string() +
                          " --stems " + (folder / "ru.dic").string() + " " + (folder / "ru.forms").string();
  ASSERT_EQ(std::system((run + " > /dev/null").c_str()), 0);
  std::string error;
  const auto words = ReadLibraryWords(folder / "russian.dll", &error);
  ASSERT_TRUE(words) << error;
  const auto table = WordFrequencies::Load(folder / "russian.frq", *words, &error);
  ASSERT_TRUE(table) << error;
  const auto perBillion = [&](std::string_view word) { return std::expm1(table->CostOfCount(0) - table->Cost(Cp(word), *words)); };
  const double top = 1e9 * kRankedListCoverage / 1.5;  // the ranked list's first word, per billion
  const double korova = kModelWeight * 1e8 + kRankedListWeight * top / 2 + kDictionaryTextWeight * 1e9 / 2 +
                        kProseWeight * 2e9 / 3;
  const double korovy = kDictionaryTextWeight * 1e9 / 2;
  const std::vector<std::pair<std::string_view, double>> expected = {
      {"КИРОВА", kModelWeight * 9e8},
      {"КОРОВА", korova},
      {"КОРОВЫ", korovy},
      {"КОРОВАМИ", kStemShare * (korova + korovy) / 3},
      {"КИРОВ", kStemShare * kModelWeight * 9e8 / 2},
      {"ПРИВЕТ", kRankedListWeight * top},
      {"МОЛОКО", kPresenceFloor * 1e3},
      {"ЯК", kPresenceFloor * 1e3}};
  for (const auto& [word, value] : expected) EXPECT_NEAR(perBillion(word), value, value * 0.002 + 1) << word;
  const auto onlyCapitalised = [&](std::string_view word) {
    const auto position = words->LibraryPositionOf(Cp(word));
    return position && table->OnlyCapitalisedAt(*position);
  };
  // Кирова by the model, Киров by the dictionary (no source saw it); корова
  // is seen in lower case, though capitalised at a sentence's start.
  EXPECT_EQ((std::vector<bool>{onlyCapitalised("КИРОВА"), onlyCapitalised("КИРОВ"), onlyCapitalised("КОРОВА")}),
            (std::vector<bool>{true, true, false}));

  // A missing source, or an expansion of another dictionary, writes nothing.
  fs::remove(folder / "russian.frq");
  EXPECT_NE(std::system((run + " --prose " + (folder / "missing").string() + " > /dev/null 2>&1").c_str()), 0);
  write(folder / "ru.forms", Cp("корова\nКиров\n"));
  EXPECT_NE(std::system((run + " > /dev/null 2>&1").c_str()), 0);
  EXPECT_FALSE(fs::exists(folder / "russian.frq"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace vuruzid::dictbuild
