#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "EngineFixture.h"
#include "engine/Corrector.h"
#include "engine/WordFrequencies.h"

namespace vuruzid {
namespace {

using testing::TempFolder;
using Words = std::vector<std::string>;

std::string Cp(const char* utf8) { return *cp1251::FromUtf8(utf8); }

WordList FromLibrary(const TempFolder& dir, const Words& words) {
  testing::WriteDictionary(dir / "lib", words);
  WordList list;
  list.AppendLibrary(LanguageLibrary::Open(dir / "lib"), static_cast<uint32_t>(words.size()));
  return list;
}

TEST(EditDistanceTest, CountsEditsWithASwapAsOne) {
  struct Row { const char* a; const char* b; int distance; };
  for (const Row& row : {Row{"", "", 0}, Row{"", "ABC", 3}, Row{"TEH", "THE", 1}, Row{"RECIEVE", "RECEIVE", 1},
                         Row{"CA", "ABC", 3}, Row{"KITTEN", "SITTING", 3}, Row{"ABCD", "BADC", 2}, Row{"UNTILL", "UNTIL", 1}}) {
    EXPECT_EQ(EditDistance(row.a, row.b), row.distance) << row.a << " " << row.b;
    EXPECT_EQ(EditDistance(row.b, row.a), row.distance) << row.b << " " << row.a;
  }
}

// The errors people make must cost less than the ones they do not.
TEST(WeightedEditCostTest, CommonSlipsAreCheaper) {
  const auto en = DefaultCorrectionWeights(KeyLayout::English);
  auto cost = [&](const char* typed, const char* word, KeyLayout layout = KeyLayout::English) {
    return WeightedEditCost(typed, word, layout, en);
  };
  EXPECT_LT(cost("HWLLO", "HELLO"), cost("HZLLO", "HELLO"));  // W is next to E, Z is not
  EXPECT_LT(cost("HALLO", "HELLO"), cost("HZLLO", "HELLO"));  // a vowel for a vowel
  EXPECT_LT(cost("TEH", "THE"), cost("TXE", "THE"));          // a swap
  EXPECT_LT(cost("UNTILL", "UNTIL"), cost("UNTILK", "UNTIL"));  // a doubled letter
  EXPECT_LT(cost("BELL", "BELT"), cost("CELL", "BELL"));        // the first letter is rarely wrong
  EXPECT_LT(cost(Cp("ПРИВКТ").c_str(), Cp("ПРИВЕТ").c_str(), KeyLayout::Russian),
            cost(Cp("ПРИВШТ").c_str(), Cp("ПРИВЕТ").c_str(), KeyLayout::Russian));  // К is next to Е
  EXPECT_EQ(cost("SAME", "SAME"), 0);
}

// The trie walk must find exactly what comparing with every word finds, for
// lists with many near neighbours, words inserted among the library's, and
// words that are prefixes of each other.
TEST(WordsWithinDistanceModel, FindsEveryWordABruteForceScanFinds) {
  std::mt19937 random(4321);
  const std::string alphabet = "AB-\xC0\xDF";
  auto randomWord = [&](int longest) {
    std::string w;
    const int length = 1 + random() % longest;
    for (int i = 0; i < length; ++i) w += alphabet[random() % alphabet.size()];
    return w;
  };
  for (int round = 0; round < 30; ++round) {
    Words base;
    for (int i = 0; i < 200; ++i) base.push_back(randomWord(7));
    std::sort(base.begin(), base.end());
    base.erase(std::unique(base.begin(), base.end()), base.end());
    TempFolder dir;
    WordList list = FromLibrary(dir, base);
    for (int i = 0; i < 5; ++i) list.InsertWord(randomWord(6));
    for (int probe = 0; probe < 40; ++probe) {
      const std::string word = randomWord(8);
      for (const int reach : {0, 1, 2}) {
        Words expected;
        for (size_t i = 0; i < list.size(); ++i)
          if (EditDistance(word, list[i]) <= reach) expected.emplace_back(list[i]);
        ASSERT_EQ(WordsWithinDistance(word, list, reach), expected) << word << " within " << reach;
      }
    }
  }
}

TEST(WordFrequenciesTest, ReadsWhatItWritesAndRefusesDamage) {
  TempFolder dir;
  std::string error;
  ASSERT_TRUE(WriteWordFrequencies(dir / "f.frq", {{"the", 50}, {Cp("ёлка"), 3}, {Cp("ЕЛКА"), 2}, {"a", 0}, {Cp("ПРИВЕТА"), 40}},
                                   &error));
  const auto table = WordFrequencies::Load(dir / "f.frq", &error);
  ASSERT_TRUE(table) << error;
  EXPECT_EQ(table->size(), 3u);  // ЁЛКА folded into ЕЛКА, the uncounted word left out
  EXPECT_LT(table->Cost("THE"), table->Cost(Cp("ЕЛКА")));
  EXPECT_EQ(table->Cost(Cp("ЁЛКА")), table->Cost(Cp("ЕЛКА")));
  EXPECT_EQ(table->Cost("UNCOUNTED"), table->CostOfCount(0));
  // An uncounted form borrows from a counted form of its stem, never from a word that only begins alike.
  EXPECT_GT(table->Cost(Cp("ПРИВЕТ")), table->Cost(Cp("ПРИВЕТА")));
  EXPECT_LT(table->Cost(Cp("ПРИВЕТ")), table->CostOfCount(0));
  EXPECT_EQ(table->Cost(Cp("ПРИВЕТСТВИЕ")), table->CostOfCount(0));
  EXPECT_EQ(table->Cost(Cp("ПРИ")), table->CostOfCount(0));
  EXPECT_EQ(WordFrequencies::SideFileOf("/p/english.dll"), "/p/english.frq");

  struct Damage { const char* what; std::string text; };
  for (const Damage& damage : {Damage{"missing", ""}, Damage{"empty", "\x01"}, Damage{"other header", "QVFREQ 2\n1\nA\t1\n"},
                               Damage{"short", "QVFREQ 1\n2\nA\t1\n"}, Damage{"unsorted", "QVFREQ 1\n2\nB\t1\nA\t1\n"},
                               Damage{"no count", "QVFREQ 1\n1\nA\n"}, Damage{"zero count", "QVFREQ 1\n1\nA\t0\n"},
                               Damage{"not a word", "QVFREQ 1\n1\na b\t4\n"}, Damage{"trailing", "QVFREQ 1\n1\nA\t1\nB\t1\n"},
                               Damage{"cut line", "QVFREQ 1\n1\nA\t1"}}) {
    const auto path = dir / "damaged.frq";
    std::filesystem::remove(path);
    if (damage.text.empty()) {
    } else if (damage.text == "\x01") {
      std::ofstream(path).close();
    } else {
      std::ofstream(path, std::ios::binary) << damage.text;
    }
    error.clear();
    EXPECT_FALSE(WordFrequencies::Load(path, &error)) << damage.what;
    EXPECT_NE(error.find("damaged.frq"), std::string::npos) << damage.what << ": " << error;
  }
}

class CorrectionsInTheEngine : public EngineFixture {
 protected:
  static constexpr int kSpace = 32;
  void Type(std::string_view keys) {
    for (const char key : keys) Engine().ProcessKey(static_cast<unsigned char>(key), 1);
  }
  void WriteFrequencies(const std::string& text) { std::ofstream(dir_ / "english.frq", std::ios::binary) << text; }
};

// The whole road of a correction: a wrong word asks for a job, the job's
// answer leads the list, and an answer that comes after the display moved on
// is dropped.
TEST_F(CorrectionsInTheEngine, AnswersLeadTheListUntilTheDisplayMovesOn) {
  WriteEnglish({"CAT", "CATS", "COT", "DOG", "RECEIVE", "RECIPE"});
  WriteFrequencies("QVFREQ 1\n3\nCAT\t100\nCOT\t5\nRECEIVE\t50\n");
  Engine().ActivateLanguage(SpellingEngine::kEnglish);
  Type("CA");
  EXPECT_FALSE(Engine().TakeCorrectionJob());  // nothing while a word is typed
  Type("TX ");
  auto job = Engine().TakeCorrectionJob();
  ASSERT_TRUE(job);
  EXPECT_FALSE(Engine().TakeCorrectionJob());  // one job per word
  const Words answer = job->Run();
  ASSERT_GE(answer.size(), 2u);
  EXPECT_EQ(answer.front(), "CAT");
  const Words neighbours = Engine().display().suggestions;
  ASSERT_TRUE(Engine().ShowCorrections(job->displayGeneration, answer));
  EXPECT_EQ(Engine().display().correctionCount, answer.size());
  EXPECT_EQ(Words(Engine().display().suggestions.begin(), Engine().display().suggestions.begin() + 2),
            Words(answer.begin(), answer.begin() + 2));
  EXPECT_LE(Engine().display().suggestions.size(), 9u);
  Engine().SetCorrectionsEnabled(false);  // the neighbours come back at once
  EXPECT_EQ(Engine().display().suggestions, neighbours);
  EXPECT_EQ(Engine().display().correctionCount, 0u);
  Engine().SetCorrectionsEnabled(true);

  Type("RECIEVE ");
  job = Engine().TakeCorrectionJob();
  ASSERT_TRUE(job);
  Type("D");  // the next word starts before the answer comes
  EXPECT_FALSE(Engine().ShowCorrections(job->displayGeneration, job->Run()));
  EXPECT_EQ(Engine().display().correctionCount, 0u);

  Engine().SetCorrectionsEnabled(false);
  Type("OGX ");
  EXPECT_FALSE(Engine().TakeCorrectionJob());
  EXPECT_TRUE(messages_.empty());
}

// A missing or damaged side file ranks by edit cost alone and says so once.
TEST_F(CorrectionsInTheEngine, WithoutFrequenciesRanksByEditCostAndSaysSoOnce) {
  WriteEnglish({"CAT", "COT", "DOG"});
  for (const bool damaged : {false, true}) {
    if (damaged) WriteFrequencies("QVFREQ 1\n9\nCAT\t1\n");
    engine_.reset();
    messages_.clear();
    Engine().ActivateLanguage(SpellingEngine::kEnglish);
    for (const char* word : {"CAX ", "DOGX "}) {
      Type(word);
      const auto job = Engine().TakeCorrectionJob();
      ASSERT_TRUE(job);
      const Words answer = job->Run();
      ASSERT_FALSE(answer.empty());
      EXPECT_TRUE(Engine().ShowCorrections(job->displayGeneration, answer));
      if (std::string problem = Engine().TakeCorrectionProblem(); !problem.empty()) messages_.push_back(problem);
    }
    ASSERT_EQ(messages_.size(), 1u) << damaged;
    EXPECT_NE(messages_[0].find("english.frq"), std::string::npos) << messages_[0];
  }
}

}  // namespace
}  // namespace vuruzid
