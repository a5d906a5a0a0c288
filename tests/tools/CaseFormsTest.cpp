// The letter case table of a library: found from its word list by the
// builder's own code and by the real program, read back by the engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/CaseForms.h"
#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"
#include "tools/dictbuild/CaseForms.h"
#include "tools/dictbuild/Normalise.h"

namespace vuruzid::dictbuild {
namespace {

namespace fs = std::filesystem;

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or("<not in the code page>"); }

struct SpellingRow {
  const char* utf8;
  FormCase expected;
};

TEST(CaseOfSpelling, TellsNamesFromAbbreviations) {
  const SpellingRow rows[] = {
      {"paris", FormCase::Any},      {"Paris", FormCase::Capitalised}, {"McDonald", FormCase::Capitalised},
      {"iPhone", FormCase::Capitalised}, {"NASA", FormCase::Capitals}, {"I", FormCase::Capitals},
      {"o'clock", FormCase::Any},    {"Кирова", FormCase::Capitalised}, {"ёлка", FormCase::Any},
      {"Ёлкин", FormCase::Capitalised}, {"США", FormCase::Capitals},  {"ЁЖ", FormCase::Capitals},
  };
  for (const SpellingRow& row : rows) EXPECT_EQ(CaseOfSpelling(Cp(row.utf8)), row.expected) << row.utf8;
}

class CaseFormsOfAList : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vuruzid-case-forms-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Makes the library of `lines` as the builder does, viewed by a word list.
  WordList LibraryOf(const std::vector<std::string>& lines, SourceEncoding encoding) {
    auto words = NormaliseWordList(lines, encoding).words;
    const fs::path path = folder_ / "library.dll";
    EXPECT_TRUE(WriteLanguageLibrary(path, LibraryStrings(words)));
    WordList list;
    list.AppendLibrary(LanguageLibrary::Open(path), static_cast<uint32_t>(words.size()));
    return list;
  }

  static std::vector<FormCase> CasesOf(const WordList& list, const LibraryCases& found,
                                       const std::vector<std::string>& words) {
    std::vector<FormCase> cases;
    for (const auto& word : words) cases.push_back(found.cases.at(*list.FindExact(word)));
    return cases;
  }

  fs::path folder_;
};

// Each word's spellings as unmunch writes them: every spelling a line, some twice.
TEST_F(CaseFormsOfAList, AWordIsFlaggedOnlyWhenNoSpellingIsLowerCase) {
  const std::vector<std::string> lines = {"\xEF\xBB\xBFParis", "paris", "Paris", "NASA", "OT", "ot's",
                                          "Nice",  "nice",  "NICE", "McDonald", "MCDONALD", "O'Neil/M",
                                          "AC",    "Ac",    "café", "1st",   ""};
  const WordList list = LibraryOf(lines, SourceEncoding::Utf8);
  const LibraryCases found = CasesOfLibraryWords(lines, SourceEncoding::Utf8, list);
  const std::vector<std::string> words = {"PARIS", "NASA", "OT", "OT`S", "NICE", "MCDONALD", "O`NEIL", "AC"};
  const std::vector<FormCase> expected = {FormCase::Any,         FormCase::Capitals,    FormCase::Capitals,
                                          FormCase::Any,         FormCase::Any,         FormCase::Capitalised,
                                          FormCase::Capitalised, FormCase::Capitalised};
  EXPECT_EQ(CasesOf(list, found, words), expected);
  EXPECT_EQ(found.cases.size(), list.size());
  EXPECT_EQ(found.counts.notInLibrary, 0u);
  EXPECT_EQ(found.counts.withoutSpelling, 0u);
  EXPECT_EQ(found.counts.capitals, 2u);
  EXPECT_EQ(found.counts.capitalised, 3u);

  // A list the library was not made from is told apart.
  const LibraryCases other = CasesOfLibraryWords({"Paris", "Rome"}, SourceEncoding::Utf8, list);
  EXPECT_EQ(other.counts.notInLibrary, 1u);
  EXPECT_EQ(other.counts.withoutSpelling, list.size() - 1);
}

TEST_F(CaseFormsOfAList, RussianSpellingsMeetTheirLibraryWordWithIoFolded) {
  const std::vector<std::string> lines = {Cp("Кирова"), Cp("Кирове"), Cp("киров"), Cp("Ёлкин"), Cp("ёлка"),
                                          Cp("Елка"), Cp("США")};
  const WordList list = LibraryOf(lines, SourceEncoding::Cp1251);
  const LibraryCases found = CasesOfLibraryWords(lines, SourceEncoding::Cp1251, list);
  const std::vector<std::string> words = {Cp("КИРОВА"), Cp("КИРОВ"), Cp("ЕЛКИН"), Cp("ЕЛКА"), Cp("США")};
  const std::vector<FormCase> expected = {FormCase::Capitalised, FormCase::Any, FormCase::Capitalised, FormCase::Any,
                                          FormCase::Capitals};
  EXPECT_EQ(CasesOf(list, found, words), expected);
}

// The real program, then the engine's reader; a list that is not the
// library's writes nothing.
TEST_F(CaseFormsOfAList, TheProgramWritesWhatTheEngineReads) {
  const fs::path forms = folder_ / "forms.txt", library = folder_ / "english.dll", cases = folder_ / "english.cas";
  std::ofstream(forms, std::ios::binary) << "Paris\nNASA\nnasa's\ncat\nCat\nZurich\n";
  const auto run = [&](const std::string& arguments) {
    const std::string command = std::string(VURUZID_DICTBUILD_PROGRAM) + " " + arguments + " >" +
                                (folder_ / "output.txt").string() + " 2>&1";
    return std::system(command.c_str());
  };
  ASSERT_EQ(run(forms.string() + " " + library.string()), 0);
  ASSERT_EQ(run("--case-forms --encoding utf-8 " + forms.string() + " " + library.string() + " " + cases.string()), 0);
  std::string error;
  const auto table = CaseForms::Load(cases, 5, &error);
  ASSERT_TRUE(table) << error;
  // CAT, NASA, NASA`S, PARIS, ZURICH
  const std::vector<FormCase> expected = {FormCase::Any, FormCase::Capitals, FormCase::Any, FormCase::Capitalised,
                                          FormCase::Capitalised};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(table->At(i), expected[i]) << i;
  EXPECT_FALSE(CaseForms::Load(cases, 6, &error)) << "made for a library of five words";

  std::ofstream(forms, std::ios::binary | std::ios::app) << "Geneva\n";
  fs::remove(cases);
  EXPECT_NE(run("--case-forms " + forms.string() + " " + library.string() + " " + cases.string()), 0);
  EXPECT_FALSE(fs::exists(cases));
  EXPECT_NE(run("--case-forms " + forms.string() + " " + library.string()), 0) << "the output is missing";
}

}  // namespace
}  // namespace vuruzid::dictbuild
