// Corrections against the dictionaries and word frequencies the build made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "engine/CandidateSearch.h"
#include "engine/Corrector.h"
#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"
#include "support/TempFolder.h"

namespace vuruzid {
namespace {

namespace fs = std::filesystem;
const fs::path kProgramFolder = VURUZID_PROGRAM_DIR;
using Words = std::vector<std::string>;

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or("<not in the code page>"); }

class CorrectionsOnBuiltDictionaries : public ::testing::Test {
 protected:
  const WordList& ListOf(int language) {
    auto& engine = engines_[language];
    if (!engine) {
      engine = std::make_unique<SpellingEngine>(EngineFiles{folder_.path(), {kProgramFolder}}, [](const std::string& m) {
        ADD_FAILURE() << m;
      });
      engine->ActivateLanguage(language);
    }
    return engine->wordList();
  }
  const Corrector& CorrectorOf(int language) {
    auto& corrector = correctors_[language];
    const KeyLayout layout = language == SpellingEngine::kEnglish ? KeyLayout::English : KeyLayout::Russian;
    if (!corrector)
      corrector = std::make_unique<Corrector>(
          layout, WordFrequencies::SideFileOf(kProgramFolder / SpellingEngine::LibraryFileName(language)),
          DefaultCorrectionWeights(layout));
    return *corrector;
  }

  testing::TempFolder folder_;
  std::unique_ptr<SpellingEngine> engines_[2];
  std::unique_ptr<Corrector> correctors_[2];
};

TEST_F(CorrectionsOnBuiltDictionaries, PutTheMeantWordFirst) {
  struct Row { int language; const char* typed; const char* meant; const char* userWord; };
  const int en = SpellingEngine::kEnglish, ru = SpellingEngine::kRussian;
  for (const Row& row : {
           Row{en, "RECIEVE", "RECEIVE", nullptr}, Row{en, "TEH", "THE", nullptr},
           Row{en, "UNTILL", "UNTIL", nullptr},          // a doubled letter
           Row{en, "BEAUTFUL", "BEAUTIFUL", nullptr},    // a dropped letter
           Row{en, "HWLLO", "HELLO", nullptr},           // W is next to E
           Row{en, "ACCOMODATE", "ACCOMMODATE", nullptr}, Row{en, "VURUZIT", "VURUZID", "VURUZID"},
           Row{ru, "ЗДРАСТВУЙТЕ", "ЗДРАВСТВУЙТЕ", nullptr},
           Row{ru, "ГОВОРРИТЬ", "ГОВОРИТЬ", nullptr}, Row{ru, "ПРИВТЕ", "ПРИВЕТ", nullptr},  // doubled, swapped
           Row{ru, "ВУРУЗИТ", "ВУРУЗИД", "ВУРУЗИД"},
           // Everyday words misspelt as they are heard, ahead of rare forms and names.
           Row{ru, "ПРИВЕТТ", "ПРИВЕТ", nullptr}, Row{ru, "КАРОВА", "КОРОВА", nullptr},
           Row{ru, "МАЛАКО", "МОЛОКО", nullptr}, Row{ru, "СПОСИБО", "СПАСИБО", nullptr},
           Row{ru, "ИЗВЕНИТЕ", "ИЗВИНИТЕ", nullptr}, Row{ru, "ЕЖЫК", "ЕЖИК", nullptr},
           Row{ru, "ЧУСТВОВАТЬ", "ЧУВСТВОВАТЬ", nullptr}, Row{ru, "ОБЬЯВЛЕНИЕ", "ОБЪЯВЛЕНИЕ", nullptr},
           Row{ru, "СИВОДНЯ", "СЕГОДНЯ", nullptr}, Row{ru, "ЖОЛТЫЙ", "ЖЕЛТЫЙ", nullptr},
       }) {
    const WordList& list = ListOf(row.language);
    Words userWords;
    WordList withUserWord = list;
    if (row.userWord) {
      withUserWord.InsertWord(Cp(row.userWord));
      userWords.push_back(Cp(row.userWord));
    }
    const Corrector& corrector = CorrectorOf(row.language);
    const Words best = corrector.Suggest(Cp(row.typed), withUserWord, userWords);
    ASSERT_FALSE(best.empty()) << row.typed;
    EXPECT_EQ(cp1251::ToUtf8(best.front()), row.meant) << row.typed;
    EXPECT_LE(best.size(), Corrector::kMaxCorrections);
    EXPECT_EQ(corrector.TakeFrequencyProblem(), "") << "the built side file must be readable";
  }
}

// The trie walk over the real lists finds every word a scan finds within the
// cost bound, for words drawn from the lists and changed at random.
TEST_F(CorrectionsOnBuiltDictionaries, FindEveryCandidateAScanFinds) {
  std::mt19937 random(2026);
  for (const int language : {SpellingEngine::kEnglish, SpellingEngine::kRussian}) {
    const WordList& list = ListOf(language);
    ASSERT_GT(list.size(), 100000u);
    for (int probe = 0; probe < (language == SpellingEngine::kEnglish ? 8 : 3); ++probe) {
      std::string word(list[random() % list.size()]);
      for (int edits = 1 + random() % 2; edits > 0 && word.size() > 1; --edits) {
        const size_t at = random() % word.size();
        switch (random() % 3) {
          case 0: word.erase(at, 1); break;
          case 1: word.insert(at, 1, word[random() % word.size()]); break;
          default: std::swap(word[at], word[(at + 1) % word.size()]);
        }
      }
      const ErrorModel model =
          ErrorModel::ForSearch(language == SpellingEngine::kEnglish ? KeyLayout::English : KeyLayout::Russian);
      const double bound = ErrorModel::kSearchReach;
      // Every letter more or fewer costs at least the cheapest of a dropped and an extra letter.
      const double perLetter = std::min(model.Dropped(), model.Extra('A', 'A'));
      std::vector<size_t> expected, found;
      for (size_t i = 0; i < list.size(); ++i) {
        const std::string_view entry = list[i];
        const double lengths = std::abs(static_cast<double>(entry.size()) - static_cast<double>(word.size()));
        if (lengths * perLetter <= bound && model.Cost(word, entry) <= bound) expected.push_back(i);
      }
      for (const FoundWord& f : WordsWithinCost(word, list, model, bound)) found.push_back(f.index);
      ASSERT_EQ(found, expected) << cp1251::ToUtf8(word);
    }
  }
}

// The built side files load for the built lists and count most everyday words.
TEST_F(CorrectionsOnBuiltDictionaries, FrequenciesLoadForTheBuiltLists) {
  for (const char* name : {"english.frq", "russian.frq"}) {
    std::string error;
    const int language = std::string_view(name) == "english.frq" ? SpellingEngine::kEnglish : SpellingEngine::kRussian;
    const auto table = WordFrequencies::Load(kProgramFolder / name, ListOf(language), &error);
    ASSERT_TRUE(table) << error;
    EXPECT_GT(table->CountedWords(), 30000u) << name;
  }
}

}  // namespace
}  // namespace vuruzid
