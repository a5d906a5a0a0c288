#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "EngineFixture.h"
#include "engine/CandidateSearch.h"
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

// Russian written by ear: each confusion costs less than a plain edit of the
// same letters, and only where the confusion happens.
TEST(WeightedEditCostTest, RussianWrittenByEarIsCheap) {
  const ErrorModel ru(KeyLayout::Russian, DefaultCorrectionWeights(KeyLayout::Russian));
  CorrectionWeights plainWeights = DefaultCorrectionWeights(KeyLayout::Russian);
  for (double CorrectionWeights::*w : kConfusionWeights)
    plainWeights.*w = 0;
  const ErrorModel plain(KeyLayout::Russian, plainWeights);
  // Each confusion costs at most half a plain replacement.
  struct Row { const char* typed; const char* meant; int confusions; };
  for (const Row& row : {Row{"КАРОВА", "КОРОВА", 1}, Row{"МАЛАКО", "МОЛОКО", 2}, Row{"ИЗВЕНИТЕ", "ИЗВИНИТЕ", 1},
                         Row{"СПОСИБО", "СПАСИБО", 1}, Row{"ЗДРАСТВУЙТЕ", "ЗДРАВСТВУЙТЕ", 1},
                         Row{"ЧУСТВОВАТЬ", "ЧУВСТВОВАТЬ", 1}, Row{"ПРАЗНИК", "ПРАЗДНИК", 1},
                         Row{"ЛЕСНИЦА", "ЛЕСТНИЦА", 1}, Row{"СОНЦЕ", "СОЛНЦЕ", 1}, Row{"ЕЖЫК", "ЕЖИК", 1},
                         Row{"ЕЩО", "ЕЩЕ", 1}, Row{"ЖОЛТЫЙ", "ЖЕЛТЫЙ", 1}, Row{"ОБЬЯВЛЕНИЕ", "ОБЪЯВЛЕНИЕ", 1},
                         Row{"РАСКАЗ", "РАССКАЗ", 1}, Row{"БЕЗПОЛЕЗНЫЙ", "БЕСПОЛЕЗНЫЙ", 1},
                         Row{"ДУП", "ДУБ", 1}, Row{"ЛОТКА", "ЛОДКА", 1}, Row{"КАВО", "КОГО", 2},
                         Row{"СИВОДНЯ", "СЕГОДНЯ", 2}, Row{"УЧИЦА", "УЧИТЬСЯ", 1}, Row{"КАСА", "КАССА", 1},
                         Row{"РУССКИЙ", "РУСКИЙ", 1}}) {
    const std::string typed = Cp(row.typed), meant = Cp(row.meant);
    EXPECT_LE(ru.Cost(typed, meant), 0.5 * row.confusions) << row.typed;
    EXPECT_LT(ru.Cost(typed, meant), plain.Cost(typed, meant)) << row.typed;
  }
  // Voicing is heard only at the end or before a consonant, a prefix's З and С only at the start.
  for (const auto& [typed, meant] : {std::pair{"ТОМ", "ДОМ"}, {"ОБЕСА", "ОБЕЗА"}})
    EXPECT_EQ(ru.Cost(Cp(typed), Cp(meant)), plain.Cost(Cp(typed), Cp(meant))) << typed;
  // English has no such table.
  EXPECT_TRUE(ErrorModel(KeyLayout::English, DefaultCorrectionWeights(KeyLayout::English)).Confusions().empty());
}

// The trie walk must find exactly what explaining the typed word as every
// word finds, for lists with many near neighbours, words inserted among the
// library's, and words that are prefixes of each other; with the Russian
// confusions, which look several letters back, and without.
TEST(WordsWithinCostModel, FindsEveryWordABruteForceScanFinds) {
  std::mt19937 random(4321);
  const std::string alphabet = Cp("ОАСТНЬЪЕИЖ") + "-";
  auto randomWord = [&](int longest) {
    std::string w;
    const int length = 1 + random() % longest;
    for (int i = 0; i < length; ++i) w += alphabet[random() % alphabet.size()];
    return w;
  };
  const ErrorModel russian(KeyLayout::Russian, DefaultCorrectionWeights(KeyLayout::Russian));
  const ErrorModel english(KeyLayout::English, DefaultCorrectionWeights(KeyLayout::English));
  const ErrorModel search = ErrorModel::ForSearch(KeyLayout::Russian);
  for (int round = 0; round < 30; ++round) {
    Words base;
    for (int i = 0; i < 200; ++i) base.push_back(randomWord(7));
    std::sort(base.begin(), base.end());
    base.erase(std::unique(base.begin(), base.end()), base.end());
    TempFolder dir;
    WordList list = FromLibrary(dir, base);
    for (int i = 0; i < 5; ++i) list.InsertWord(randomWord(6));
    for (int probe = 0; probe < 20; ++probe) {
      const std::string word = randomWord(8);
      for (const ErrorModel* model : {&russian, &english, &search})
        for (const double bound : {0.0, 0.6, 1.3, 2.05}) {
          std::vector<std::pair<std::string, double>> expected, found;
          for (size_t i = 0; i < list.size(); ++i)
            if (const double cost = model->Cost(word, list[i]); cost <= bound) expected.emplace_back(list[i], cost);
          for (const FoundWord& f : WordsWithinCost(word, list, *model, bound)) found.emplace_back(list[f.index], f.cost);
          ASSERT_EQ(found.size(), expected.size()) << word << " within " << bound << ": " << (expected.empty() ? "" : expected[0].first) << " " << (model == &russian ? "ru" : model == &english ? "en" : "search");
          for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].first, expected[i].first) << word << " within " << bound;
            EXPECT_NEAR(found[i].second, expected[i].second, 1e-9) << found[i].first;
          }
        }
    }
  }
}

TEST(WordFrequenciesTest, ReadsWhatItWritesAndRefusesDamage) {
  TempFolder dir;
  const WordList list = FromLibrary(dir, {"A", "THE", "UNCOUNTED", Cp("ЕЛКА"), Cp("КИРОВА"), Cp("КОРОВА")});
  std::string error;
  ASSERT_TRUE(WriteWordFrequencies(dir / "f.frq",
                                   {{"the", 50}, {Cp("ёлка"), 3}, {Cp("ЕЛКА"), 2}, {"a", 0}, {"ABSENT", 9},
                                    {Cp("КИРОВА"), 1300, true}, {Cp("КОРОВА"), 280, true}, {Cp("корова"), 5}},
                                   list, &error));
  const auto table = WordFrequencies::Load(dir / "f.frq", list, &error);
  ASSERT_TRUE(table) << error;
  EXPECT_EQ(table->size(), list.size());
  EXPECT_EQ(table->CountedWords(), 4u);  // ЁЛКА folded into ЕЛКА; the uncounted and the absent word left out
  EXPECT_LT(table->Cost("THE", list), table->Cost(Cp("ЕЛКА"), list));
  EXPECT_NEAR(table->Cost(Cp("ЁЛКА"), list), table->CostOfCount(5), 0.01);
  EXPECT_NEAR(table->Cost("THE", list), table->CostOfCount(50), 0.01);
  EXPECT_EQ(table->Cost("UNCOUNTED", list), table->CostOfCount(0));
  EXPECT_EQ(table->Cost("ABSENT", list), table->CostOfCount(0));
  // A word is a name only while every spelling counted was capitalised.
  EXPECT_TRUE(table->OnlyCapitalisedAt(*list.LibraryPositionOf(Cp("КИРОВА"))));
  EXPECT_FALSE(table->OnlyCapitalisedAt(*list.LibraryPositionOf(Cp("КОРОВА"))));
  EXPECT_EQ(WordFrequencies::SideFileOf("/p/english.dll"), "/p/english.frq");

  // A table made for another word list is refused, not misread.
  const WordList other = FromLibrary(TempFolder(), {"A", "THE", "UNCOUNTED", Cp("ЕЛКА"), Cp("КИРОВА"), Cp("КОРОВЫ")});
  EXPECT_FALSE(WordFrequencies::Load(dir / "f.frq", other, &error));
  EXPECT_NE(error.find("another word list"), std::string::npos) << error;

  std::ifstream in(dir / "f.frq", std::ios::binary);
  const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string header = good.substr(0, good.find('\n', 9) + 1), cells = good.substr(header.size());
  struct Damage { const char* what; std::string text; };
  for (const Damage& damage : {Damage{"missing", ""}, Damage{"empty", "\x01"}, Damage{"old format", "QVFREQ 1\n1\nA\t1\n"},
                               Damage{"short", header + cells.substr(1)}, Damage{"trailing", good + "x"},
                               Damage{"no total", "QVFREQ 2\n6 1\n" + cells}, Damage{"word count", "QVFREQ 2\n5" + good.substr(10)},
                               Damage{"negative total", header.substr(0, header.rfind(' ')) + " -5\n" + cells},
                               Damage{"cut header", "QVFREQ 2\n6"}}) {
    const auto path = dir / "damaged.frq";
    std::filesystem::remove(path);
    if (damage.text.empty()) {
    } else if (damage.text == "\x01") {
      std::ofstream(path).close();
    } else {
      std::ofstream(path, std::ios::binary) << damage.text;
    }
    error.clear();
    EXPECT_FALSE(WordFrequencies::Load(path, list, &error)) << damage.what;
    EXPECT_NE(error.find("damaged.frq"), std::string::npos) << damage.what << ": " << error;
  }
}

// Ranking: the prior decides between equally cheap explanations, and a word
// seen only capitalised gives way to a common word when typed in lower case.
TEST(CorrectorTest, RanksByEditCostAndPriorWithNamesBelowForLowerCase) {
  TempFolder dir;
  const WordList list = FromLibrary(dir, {Cp("КИРОВА"), Cp("КОРОВА"), Cp("МАЛАКОН"), Cp("МОЛОКО")});
  std::string error;
  ASSERT_TRUE(WriteWordFrequencies(dir / "f.frq", {{Cp("КИРОВА"), 1311, true}, {Cp("КОРОВА"), 285}, {Cp("МОЛОКО"), 900}},
                                   list, &error));
  const Corrector corrector(KeyLayout::Russian, dir / "f.frq", DefaultCorrectionWeights(KeyLayout::Russian));
  EXPECT_EQ(corrector.Suggest(Cp("КАРОВА"), list, {}, 1), Words{Cp("КОРОВА")});
  EXPECT_EQ(corrector.Suggest(Cp("МАЛАКО"), list, {}, 1), Words{Cp("МОЛОКО")});
  EXPECT_EQ(corrector.Suggest(Cp("КИРОВО"), list, {}, 1, LetterCase::Capitalised), Words{Cp("КИРОВА")});
  EXPECT_TRUE(corrector.TakeFrequencyProblem().empty());
}

class CorrectionsInTheEngine : public EngineFixture {
 protected:
  static constexpr int kSpace = 32;
  void Type(std::string_view keys) {
    for (const char key : keys) Engine().ProcessKey(static_cast<unsigned char>(key), 1);
  }
  void WriteFrequencies(std::vector<WordFrequencies::Entry> entries) {
    std::string error;
    const auto list = ReadLibraryWords(dir_ / "english.dll", &error);
    ASSERT_TRUE(list && WriteWordFrequencies(dir_ / "english.frq", std::move(entries), *list, &error)) << error;
  }
};

// The whole road of a correction: a wrong word asks for a job, the job's
// answer leads the list, and an answer that comes after the display moved on
// is dropped.
TEST_F(CorrectionsInTheEngine, AnswersLeadTheListUntilTheDisplayMovesOn) {
  WriteEnglish({"CAT", "CATS", "COT", "DOG", "RECEIVE", "RECIPE"});
  WriteFrequencies({{"CAT", 100}, {"COT", 5}, {"RECEIVE", 50}});
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
    if (damaged) std::ofstream(dir_ / "english.frq", std::ios::binary) << "QVFREQ 2\n9 0 1\n";
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
