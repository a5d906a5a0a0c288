// Checks english.dll and russian.dll as the build made them in the program folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"
#include "engine/TextLines.h"
#include "engine/WordFrequencies.h"
#include "engine/WordList.h"

namespace vuruzid {
namespace {

namespace fs = std::filesystem;
const fs::path kProgramFolder = VURUZID_PROGRAM_DIR;

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or("<not in the code page>"); }

struct Expectation {
  const char* file;
  uint32_t minWords, maxWords;
  std::vector<std::string_view> known;    // UTF-8, upper-case
  std::vector<std::string_view> unknown;  // never in the library
};

class BuiltDictionaryTest : public ::testing::TestWithParam<Expectation> {};

TEST_P(BuiltDictionaryTest, HoldsTheExpectedWordsInStrictByteOrder) {
  const Expectation& expected = GetParam();
  const auto library = LanguageLibrary::Open(kProgramFolder / expected.file);
  ASSERT_NE(library, nullptr) << expected.file;
  // The program folder is shared: every user of an installed copy reads it.
  EXPECT_NE(fs::status(kProgramFolder / expected.file).permissions() & fs::perms::others_read, fs::perms::none);
  ASSERT_GE(library->StringCount(), 2u);
  const auto count = ParseWholeNumber(library->LoadString(0));
  ASSERT_TRUE(count.has_value());
  ASSERT_EQ(static_cast<uint32_t>(*count), library->StringCount() - 1);
  EXPECT_GE(*count, static_cast<int32_t>(expected.minWords));
  EXPECT_LE(*count, static_cast<int32_t>(expected.maxWords));

  std::vector<std::string_view> words;
  words.reserve(*count);
  for (uint32_t id = 1; id <= static_cast<uint32_t>(*count); ++id) {
    const std::string_view word = library->LoadString(id);
    ASSERT_FALSE(word.empty()) << "id " << id;
    ASSERT_LE(word.size(), LanguageLibrary::kMaxStringBytes);
    ASSERT_TRUE(std::all_of(word.begin(), word.end(), [](char c) { return cp1251::IsWordCharacter(c); }))
        << "id " << id << ": " << cp1251::ToUtf8(word);
    if (!words.empty()) {
      ASSERT_LT(words.back(), word) << "ids " << id - 1 << " and " << id;
    }
    words.push_back(word);
  }
  for (auto word : expected.known)
    EXPECT_TRUE(std::binary_search(words.begin(), words.end(), Cp(word))) << word;
  for (auto word : expected.unknown)
    EXPECT_FALSE(std::binary_search(words.begin(), words.end(), Cp(word))) << word;
}

INSTANTIATE_TEST_SUITE_P(
    ProgramFolder, BuiltDictionaryTest,
    ::testing::Values(
        Expectation{"english.dll", 155'000, 172'000,
                    {"DOESN`T", "CAT", "CATS", "HOUSE", "RUNNING", "WALKED", "COOP", "O`CLOCK", "ZEBRA"},
                    {"DOESN'T", "HOUSEX", "1ST"}},
        Expectation{"russian.dll", 1'300'000, 1'430'000,
                    {"КОШКОЙ", "ХОРОШЕГО", "ШЕЛ", "КОШКА", "ДОМ", "ЕЛКА", "МОСКВА", "ПРИВЕТ", "ДОБРОЕ"},
                    {"ШЁЛ", "ЁЛКА", "КОШКОЙЙ"}}),
    [](const auto& info) { return fs::path(info.param.file).stem().string(); });

TEST(DictionaryLicencesTest, TravelWithTheDictionaries) {
  for (const char* name : {"english-dictionary-copyright.txt", "russian-dictionary-copyright.txt"}) {
    const fs::path notice = kProgramFolder / "licences" / name;
    ASSERT_TRUE(fs::exists(notice)) << notice;
    EXPECT_GT(fs::file_size(notice), 200u) << notice;
  }
}

// The Russian prior knows everyday words: the commoner word of each pair has
// the larger count (the smaller cost), and names are told from words.
TEST(BuiltRussianFrequenciesTest, RanksEverydayWordsAboveRareFormsAndNames) {
  std::string error;
  const auto words = ReadLibraryWords(kProgramFolder / "russian.dll", &error);
  ASSERT_TRUE(words) << error;
  const auto table = WordFrequencies::Load(kProgramFolder / "russian.frq", *words, &error);
  ASSERT_TRUE(table) << error;
  const double uncounted = table->CostOfCount(0);
  const auto perBillion = [&](std::string_view word) { return std::expm1(uncounted - table->Cost(Cp(word), *words)); };
  for (const char* word : {"ПРИВЕТ", "ПРИВЕТИТ", "КОРОВА", "КИРОВА", "МОЛОКО", "МАЛАКОН", "СПАСИБО", "СПОСОБОМ",
                           "ИЗВИНИТЕ", "ИЗМЕНИТЕ", "ЕЖИК", "ЯЗЫК", "КОРОВАМИ"})
    std::printf("  %s %.0f per billion\n", word, perBillion(word));

  const std::vector<std::pair<std::string_view, std::string_view>> commonerThan = {
      {"ПРИВЕТ", "ПРИВЕТИТ"}, {"КОРОВА", "КИРОВА"}, {"СПАСИБО", "СПОСОБОМ"}, {"ИЗВИНИТЕ", "ИЗМЕНИТЕ"},
      {"МОЛОКО", "МАЛАКОН"},  {"ЯЗЫК", "ЕЖИК"}};
  for (const auto& [commoner, rarer] : commonerThan)
    EXPECT_GT(perBillion(commoner), perBillion(rarer)) << commoner << " against " << rarer;
  // Counted, by a source or through a share of its word's total (КОРОВАМИ).
  for (const char* word : {"МОЛОКО", "ПРИВЕТ", "ЕЖИК", "КОРОВАМИ"}) EXPECT_GT(perBillion(word), 0.5) << word;
  // Most forms have some evidence, direct or through their stem.
  EXPECT_GT(table->CountedWords(), words->LibraryWordCount() / 3);

  const auto onlyCapitalised = [&](std::string_view word) {
    const auto position = words->LibraryPositionOf(Cp(word));
    return position && table->OnlyCapitalisedAt(*position);
  };
  for (const char* name : {"КИРОВА", "МОСКВА", "ПУШКИНА"}) EXPECT_TRUE(onlyCapitalised(name)) << name;
  for (const char* word : {"КОРОВА", "ПРИВЕТ", "МОЛОКО", "ЯЗЫК"}) EXPECT_FALSE(onlyCapitalised(word)) << word;
}

TEST(FrequencyLicencesTest, TravelWithTheFrequencies) {
  for (const char* source : {"onboard", "scowl", "tesseract-ocr-rus", "mueller7-dict", "ranked-word-list",
                             "libreoffice-help-ru", "gimp-help-common", "gnome-user-docs", "dasher-data", "gtypist",
                             "klavaro"}) {
    const fs::path notice = kProgramFolder / "licences" / ("word-frequencies-" + std::string(source) + "-copyright.txt");
    ASSERT_TRUE(fs::exists(notice)) << notice;
    EXPECT_GT(fs::file_size(notice), 200u) << notice;
  }
}

}  // namespace
}  // namespace vuruzid
