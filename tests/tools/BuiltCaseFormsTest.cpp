// Checks english.cas and russian.cas as the build made them beside the
// libraries, and the engine judging with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/CaseForms.h"
#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"
#include "engine/SpellingEngine.h"
#include "engine/TextLines.h"
#include "engine/WordList.h"
#include "support/TempFolder.h"

namespace vuruzid {
namespace {

namespace fs = std::filesystem;
const fs::path kProgramFolder = VURUZID_PROGRAM_DIR;

struct CaseExpectation {
  const char* library;
  std::vector<std::pair<const char*, FormCase>> forms;  // UTF-8, upper case
};

TEST(BuiltCaseForms, FlagNamesAndAbbreviationsOnly) {
  const CaseExpectation expectations[] = {
      {"english.dll",
       {{"OT", FormCase::Capitals}, {"NASA", FormCase::Capitals}, {"PARIS", FormCase::Capitalised},
        {"TO", FormCase::Any}, {"GNU", FormCase::Any}, {"THE", FormCase::Any}, {"DON`T", FormCase::Any}}},
      {"russian.dll",
       {{"КИРОВА", FormCase::Capitalised}, {"ЧУВАШИИ", FormCase::Capitalised}, {"США", FormCase::Capitals},
        {"КИРОВ", FormCase::Capitalised}, {"НАД", FormCase::Any}, {"ЕЛКА", FormCase::Any}}},
  };
  for (const CaseExpectation& expected : expectations) {
    SCOPED_TRACE(expected.library);
    const fs::path path = kProgramFolder / expected.library;
    std::shared_ptr<const LanguageLibrary> library = LanguageLibrary::Open(path);
    ASSERT_NE(library, nullptr);
    const auto count = ParseWholeNumber(library->LoadString(0));
    ASSERT_TRUE(count);
    std::string error;
    const auto table = CaseForms::Load(CaseForms::SideFileOf(path), static_cast<size_t>(*count), &error);
    ASSERT_TRUE(table) << error;
    // Two bits a word.
    EXPECT_LE(table->Bytes(), static_cast<size_t>(*count) / 4 + 1);
    WordList list;
    list.AppendLibrary(library, static_cast<uint32_t>(*count));
    for (const auto& [utf8, wordCase] : expected.forms)
      EXPECT_EQ(CaseOfListedForm(*table, *library, list, *cp1251::FromUtf8(utf8)), wordCase) << utf8;
  }
}

// "ot" typed in lower case is wrong, and "to" is among its corrections; "Ot" is not wrong.
TEST(BuiltCaseForms, TheEngineFindsOtWrongAndOffersTo) {
  testing::TempFolder scratch;
  SpellingEngine engine(EngineFiles{scratch.path(), {kProgramFolder}}, [](const std::string&) {});
  engine.SetCaseChecking(true);
  engine.ActivateLanguage(SpellingEngine::kEnglish);
  const auto type = [&](bool capital) {
    engine.ResetWord();
    engine.ProcessKeyStroke({.virtualKey = 'O', .shift = capital}, false);
    engine.ProcessKeyStroke({.virtualKey = 'T'}, false);
    return engine.ProcessKeyStroke({.virtualKey = ' '}, false);
  };
  const auto lower = type(false);
  EXPECT_TRUE(lower.judgedWrong);
  EXPECT_EQ(lower.judgedWord, "OT");
  const auto job = engine.TakeCorrectionJob();
  ASSERT_TRUE(job);
  const std::vector<std::string> corrections = job->Run();
  EXPECT_NE(std::find(corrections.begin(), corrections.end(), "TO"), corrections.end());
  EXPECT_EQ(std::find(corrections.begin(), corrections.end(), "OT"), corrections.end()) << "never the typed word";
  EXPECT_FALSE(type(true).judgedWrong);
  EXPECT_EQ(engine.TakeCorrectionProblem(), "");
}

}  // namespace
}  // namespace vuruzid
