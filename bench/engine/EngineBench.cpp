// Speed and memory of the spelling engine on the real dictionaries, next to
// the system spelling library (hunspell) measured in the same run.
//
// Fair comparison: hunspell gets random real words in their dictionary case
// (the built word mapped back to lower case, or capitalised when only that is
// accepted), in random order, as its own callers pass them; the engine gets
// the same words in its own upper-case form. Correct words and misspellings
// (a random edit of a real word, known to neither dictionary) are measured
// separately. Each benchmark runs several repetitions; the closing table gives
// the median CPU time per operation (the build machine is shared, and CPU
// time leaves out the time other processes hold the core), the spread (lowest
// to highest repetition) and the ratio against hunspell from the same run.

#include <benchmark/benchmark.h>
#include <hunspell.hxx>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/Cp1251.h"
#include "engine/KeyMap.h"
#include "engine/LanguageLibrary.h"
#include "engine/SpellingEngine.h"

namespace {

namespace fs = std::filesystem;
using vuruzid::EngineFiles;
using vuruzid::SpellingEngine;
namespace cp1251 = vuruzid::cp1251;

const fs::path kProgramFolder = VURUZID_PROGRAM_DIR;
constexpr int kRepetitions = 7;
constexpr size_t kSampleWords = 20000;

// Resident set size of this process in bytes.
long ResidentBytes() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// ---------------------------------------------------------------------------
// Program folders with a given number of user words in both languages.

std::string RandomUserWord(std::mt19937& random, bool russian) {
  std::string word;
  const int length = 6 + random() % 6;
  for (int k = 0; k < length; ++k)
    word += russian ? static_cast<char>(0xE0 + random() % 32) : static_cast<char>('a' + random() % 26);
  return word;
}

// A folder in /tmp whose data/ holds `userWords` words per language and whose
// libraries are the built ones.
fs::path FolderWithUserWords(int userWords) {
  static std::map<int, fs::path> made;
  if (auto it = made.find(userWords); it != made.end()) return it->second;
  const fs::path path = fs::temp_directory_path() / ("vuruzid-engine-bench-" + std::to_string(userWords));
  fs::create_directories(path / "data");
  std::mt19937 random(7 + userWords);
  for (const char* name : {"dat_u.txt", "datr_u.txt"}) {
    std::ofstream words(path / "data" / name, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < userWords; ++i) words << RandomUserWord(random, name[3] == 'r') << "\r\n";
  }
  return made[userWords] = path;
}

std::unique_ptr<SpellingEngine> ActiveEngine(int language, int userWords) {
  auto engine = std::make_unique<SpellingEngine>(EngineFiles{FolderWithUserWords(userWords), {kProgramFolder}},
                                                 [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });
  engine->ActivateLanguage(language);
  engine->wordList().PrepareLookups();  // not left to the first timed lookup
  return engine;
}

// ---------------------------------------------------------------------------
// Words: real dictionary words in both forms, and misspellings.

unsigned char LowerCp1251(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDF) return c + 32;
  if (c == 0xA8) return 0xB8;
  return c;
}

// The engine's upper-case word as hunspell's callers write it: lower case, the
// grave accent back to an apostrophe; capitalised when `capital`.
std::string CallerSpelling(std::string_view engineWord, bool capital) {
  std::string text;
  for (size_t i = 0; i < engineWord.size(); ++i) {
    const auto c = static_cast<unsigned char>(engineWord[i]);
    text += c == cp1251::kGraveAccent ? '\'' : static_cast<char>(capital && i == 0 ? c : LowerCp1251(c));
  }
  return cp1251::ToUtf8(text);
}

struct Query {
  std::string engine;    // upper case, Windows-1251
  std::string hunspell;  // dictionary case, UTF-8
};

struct Language {
  const char* tag;
  int index;
  std::unique_ptr<SpellingEngine> engine;  // 1,000 user words
  std::unique_ptr<Hunspell> speller;
  std::vector<Query> correct, misspelt;
};

std::string RandomEdit(std::string word, std::mt19937& random, bool russian) {
  const auto letter = [&] {
    return russian ? static_cast<char>(0xC0 + random() % 32) : static_cast<char>('A' + random() % 26);
  };
  const size_t at = random() % word.size();
  switch (random() % 4) {
    case 0: word[at] = letter(); break;
    case 1: word.insert(at, 1, letter()); break;
    case 2: if (word.size() > 1) word.erase(at, 1); break;
    default: if (at + 1 < word.size()) std::swap(word[at], word[at + 1]); else word[at] = letter();
  }
  return word;
}

Language& TheLanguage(int index);

void PrepareWords(Language& lang) {
  std::mt19937 random(2026 + lang.index);
  const auto& list = lang.engine->wordList();
  std::vector<bool> capitalised;
  while (lang.correct.size() < kSampleWords) {
    const std::string word(list[random() % list.size()]);
    for (bool capital : {false, true}) {
      const std::string caller = CallerSpelling(word, capital);
      if (lang.speller->spell(caller)) {
        lang.correct.push_back({word, caller});
        capitalised.push_back(capital);
        break;
      }
    }
  }
  const bool russian = lang.index == SpellingEngine::kRussian;
  while (lang.misspelt.size() < kSampleWords) {
    const size_t from = random() % lang.correct.size();
    const std::string edited = RandomEdit(lang.correct[from].engine, random, russian);
    const std::string caller = CallerSpelling(edited, capitalised[from]);
    bool known = false;
    for (int other : {SpellingEngine::kEnglish, SpellingEngine::kRussian}) {
      const Language& l = TheLanguage(other);
      if (!l.engine) continue;
      known = known || l.engine->wordList().FindExact(edited) || l.speller->spell(caller);
    }
    if (!known) lang.misspelt.push_back({edited, caller});
  }
}

Language& TheLanguage(int index) {
  static std::array<Language, 2> languages = [] {
    std::array<Language, 2> both;
    both[SpellingEngine::kEnglish].tag = "en";
    both[SpellingEngine::kEnglish].index = SpellingEngine::kEnglish;
    both[SpellingEngine::kRussian].tag = "ru";
    both[SpellingEngine::kRussian].index = SpellingEngine::kRussian;
    return both;
  }();
  return languages[index];
}

Language& Prepared(int index) {
  Language& lang = TheLanguage(index);
  if (lang.engine) return lang;
  lang.engine = ActiveEngine(index, 1000);
  const char* dic = index == SpellingEngine::kEnglish ? "en_US" : "ru_RU";
  lang.speller = std::make_unique<Hunspell>((std::string(HUNSPELL_DICTIONARIES "/") + dic + ".aff").c_str(),
                                            (std::string(HUNSPELL_DICTIONARIES "/") + dic + ".dic").c_str());
  // Misspellings are checked against both dictionaries: load the other first.
  if (!TheLanguage(1 - index).engine) Prepared(1 - index);
  PrepareWords(lang);
  return lang;
}

// Key codes that type `word` under the language's layout; blanks end words.
std::vector<int> KeysFor(const std::vector<std::string>& words, int language) {
  const auto layout = language == SpellingEngine::kEnglish ? vuruzid::KeyLayout::English : vuruzid::KeyLayout::Russian;
  int keyFor[256] = {};
  for (int vk = 255; vk > 0; --vk) {  // the lowest code wins: the letter keys before keypad and function keys
    const auto meaning = vuruzid::InterpretKey(static_cast<uint8_t>(vk), layout);
    if (meaning.keyClass == vuruzid::KeyClass::WordCharacter) keyFor[meaning.character] = vk;
  }
  std::vector<int> keys;
  for (const auto& word : words) {
    if (!std::all_of(word.begin(), word.end(), [&](char c) { return keyFor[static_cast<unsigned char>(c)] != 0; }))
      continue;
    for (char c : word) keys.push_back(keyFor[static_cast<unsigned char>(c)]);
    keys.push_back(' ');
  }
  return keys;
}

// ---------------------------------------------------------------------------
// Lookups.

void ExactEngine(benchmark::State& state, int language, bool correct) {
  const Language& lang = Prepared(language);
  const auto& queries = correct ? lang.correct : lang.misspelt;
  const auto& list = lang.engine->wordList();
  size_t i = 0, found = 0;
  for (auto _ : state) {
    found += list.Contains(queries[i].engine);
    if (++i == queries.size()) i = 0;
  }
  benchmark::DoNotOptimize(found);
}

void ExactHunspell(benchmark::State& state, int language, bool correct) {
  const Language& lang = Prepared(language);
  const auto& queries = correct ? lang.correct : lang.misspelt;
  size_t i = 0, found = 0;
  for (auto _ : state) {
    found += lang.speller->spell(queries[i].hunspell);
    if (++i == queries.size()) i = 0;
  }
  benchmark::DoNotOptimize(found);
}

// What a key costs the word list: the first entry not before the letters
// typed so far, and the nine neighbouring words copied out for the display.
// The two parts are also timed apart, the rows from answers found beforehand,
// to show where the time goes.
enum class PrefixPart { LookupAndRows, Lookup, Rows };

void PrefixAndNeighbours(benchmark::State& state, int language, PrefixPart part) {
  const Language& lang = Prepared(language);
  std::mt19937 random(99);
  std::vector<std::string> prefixes;
  for (const auto& q : lang.correct) prefixes.push_back(q.engine.substr(0, 1 + random() % q.engine.size()));
  const auto& list = lang.engine->wordList();
  std::vector<size_t> answers;
  if (part == PrefixPart::Rows)
    for (const auto& prefix : prefixes) answers.push_back(list.LowerBound(prefix));
  std::vector<std::string> rows(9);
  size_t i = 0, sum = 0;
  for (auto _ : state) {
    const size_t at = part == PrefixPart::Rows ? answers[i] : list.LowerBound(prefixes[i]);
    if (part == PrefixPart::Lookup) {
      sum += at;
    } else {
      const size_t start = at > 0 ? at - 1 : 0;
      rows.resize(std::min<size_t>(9, list.size() - start));
      list.CopyWords(start, rows);
      benchmark::DoNotOptimize(rows.data());
    }
    if (++i == prefixes.size()) i = 0;
  }
  benchmark::DoNotOptimize(sum);
}

// ---------------------------------------------------------------------------
// Loading, switching, activation.

void LoadAndCheck(benchmark::State& state, int language) {
  const fs::path path = kProgramFolder / SpellingEngine::LibraryFileName(language);
  for (auto _ : state) benchmark::DoNotOptimize(vuruzid::LanguageLibrary::Open(path));
}

// The lookup indexes the language in use builds at its first lookup (with
// user words, at its activation).
void BuildIndex(benchmark::State& state, int language) {
  const auto library = vuruzid::LanguageLibrary::Open(kProgramFolder / SpellingEngine::LibraryFileName(language));
  if (!library) {
    state.SkipWithError("the library cannot be read");
    for (auto _ : state) {
    }
    return;
  }
  for (auto _ : state) {
    const vuruzid::LibraryIndex index(*library);
    benchmark::DoNotOptimize(index.Bytes());
  }
}

void SwitchToRussian(benchmark::State& state) {
  auto engine = ActiveEngine(SpellingEngine::kEnglish, 1000);
  for (auto _ : state) {
    state.PauseTiming();
    engine->ActivateLanguage(SpellingEngine::kEnglish);
    state.ResumeTiming();
    engine->SwitchLanguage();
  }
  if (engine->language() != SpellingEngine::kRussian) state.SkipWithError("the switch did not reach Russian");
}

void Activate(benchmark::State& state, int language, int userWords) {
  auto engine = ActiveEngine(language, userWords);
  for (auto _ : state) engine->ActivateLanguage(language);
  if (engine->userWordList().size() != static_cast<size_t>(userWords)) state.SkipWithError("user words not read");
}

// ---------------------------------------------------------------------------
// The interpreter per key.

void RunKeys(benchmark::State& state, SpellingEngine& engine, const std::vector<int>& keys) {
  if (keys.empty()) {
    state.SkipWithError("no word could be typed on this layout");
    for (auto _ : state) {
    }
    return;
  }
  size_t i = 0;
  int beeps = 0;
  for (auto _ : state) {
    beeps += engine.ProcessKey(keys[i], 1);
    if (++i == keys.size()) i = 0;
  }
  benchmark::DoNotOptimize(beeps);
}

// Random real words separated by blanks.
void KeyOnRealText(benchmark::State& state, int language, int userWords) {
  const Language& lang = Prepared(language);
  std::vector<std::string> words;
  for (size_t i = 0; i < 5000; ++i) words.push_back(lang.correct[i].engine);
  const auto keys = KeysFor(words, language);
  auto engine = ActiveEngine(language, userWords);
  RunKeys(state, *engine, keys);
}

// Random real Russian words typed while the checker is in English: every word
// is wrong here and its keys are read in the Russian layout at its end (the
// language is not switched, so each word end pays for that reading).
void KeyInTheOtherLayout(benchmark::State& state) {
  const Language& lang = Prepared(SpellingEngine::kRussian);
  std::vector<std::string> words;
  for (size_t i = 0; i < 5000; ++i) words.push_back(lang.correct[i].engine);
  const auto keys = KeysFor(words, SpellingEngine::kRussian);
  auto engine = ActiveEngine(SpellingEngine::kEnglish, 1000);
  engine->SetFollowTyping(false);
  RunKeys(state, *engine, keys);
}

// Words of `length` random letters, each followed by a blank: the mean cost
// of a key while such a word is typed.
void KeyOnLongWords(benchmark::State& state, int length) {
  std::mt19937 random(5);
  std::vector<std::string> words;
  for (int n = 0; n < std::max(1, 20000 / length); ++n) {
    std::string word;
    for (int k = 0; k < length; ++k) word += static_cast<char>(0xC0 + random() % 32);
    words.push_back(word);
  }
  const auto keys = KeysFor(words, SpellingEngine::kRussian);
  auto engine = ActiveEngine(SpellingEngine::kRussian, 1000);
  RunKeys(state, *engine, keys);
}

// ---------------------------------------------------------------------------
// The closing table: medians, spread and ratios from this run.

struct Summary {
  std::map<std::string, std::vector<double>> secondsPerOp;  // by benchmark name, one per repetition
  std::vector<std::string> order;

  double Median(const std::string& name) const {
    auto v = secondsPerOp.at(name);
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  }
};

Summary& TheSummary() {
  static Summary summary;
  return summary;
}

// Shows the aggregates on the console and keeps every repetition for the table.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown;
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
        const std::string name = run.run_name.function_name;
        auto& times = TheSummary().secondsPerOp[name];
        if (times.empty()) TheSummary().order.push_back(name);
        times.push_back(run.cpu_accumulated_time / static_cast<double>(run.iterations));
      } else {
        shown.push_back(run);
      }
    }
    if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
  }
};

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 1e-6)
    std::snprintf(text, sizeof text, "%.0f ns", seconds * 1e9);
  else if (seconds < 1e-3)
    std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
  else
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  return text;
}

void PrintSummary(double russianListMiB, double russianIndexMiB, double hunspellRussianMiB) {
  const Summary& s = TheSummary();
  std::printf("\n%-40s %12s %28s\n", "benchmark (CPU time per operation)", "median", "spread (lowest - highest)");
  for (const auto& name : s.order) {
    const auto& v = s.secondsPerOp.at(name);
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::printf("%-40s %12s %13s - %-12s\n", name.c_str(), Duration(s.Median(name)).c_str(), Duration(*lo).c_str(),
                Duration(*hi).c_str());
  }
  std::printf("\nratio against hunspell spell() (its median / the engine's median), this run:\n");
  const auto ratio = [&](const std::string& label, const std::string& engine, const std::string& hunspell) {
    if (s.secondsPerOp.count(engine) && s.secondsPerOp.count(hunspell))
      std::printf("  %-52s %6.1fx\n", label.c_str(), s.Median(hunspell) / s.Median(engine));
  };
  for (const char* lang : {"en", "ru"}) {
    const std::string l = lang;
    ratio("exact lookup, correct words, " + l, "exact/correct/engine/" + l, "exact/correct/hunspell/" + l);
    ratio("exact lookup, misspellings, " + l, "exact/misspelt/engine/" + l, "exact/misspelt/hunspell/" + l);
    ratio("prefix lookup + nine neighbours vs spell(correct), " + l, "prefix+9/engine/" + l,
          "exact/correct/hunspell/" + l);
  }
  std::printf(
      "\nresident memory: Russian list with 1,000 user words %.1f MiB (of which lookup indexes %.1f MiB); "
      "hunspell ru_RU loaded %.1f MiB\n",
      russianListMiB, russianIndexMiB, hunspellRussianMiB);
}

void Register(const std::string& name, auto&& function, benchmark::TimeUnit unit = benchmark::kNanosecond) {
  benchmark::RegisterBenchmark(name.c_str(), std::forward<decltype(function)>(function))
      ->Repetitions(kRepetitions)
      ->Unit(unit)
      ->MinTime(0.2);
}

}  // namespace

int main(int argc, char** argv) {
  for (const char* file : {"english.dll", "russian.dll"}) {
    if (!fs::exists(kProgramFolder / file)) {
      std::fprintf(stderr, "%s is not built in %s\n", file, kProgramFolder.c_str());
      return 1;
    }
  }
  // Memory first, while the heap is fresh: one Russian list as the program
  // holds it (library copy, index, user words), then hunspell's Russian.
  long before = ResidentBytes();
  auto russian = ActiveEngine(SpellingEngine::kRussian, 1000);
  const double russianListMiB = (ResidentBytes() - before) / 1048576.0;
  const double russianIndexMiB = static_cast<double>(russian->wordList().IndexBytes()) / 1048576.0;
  russian.reset();
  before = ResidentBytes();
  double hunspellMiB = 0;
  {
    Hunspell speller(HUNSPELL_DICTIONARIES "/ru_RU.aff", HUNSPELL_DICTIONARIES "/ru_RU.dic");
    hunspellMiB = (ResidentBytes() - before) / 1048576.0;
  }

  using E = SpellingEngine;
  for (int language : {E::kEnglish, E::kRussian}) {
    const std::string tag = TheLanguage(language).tag;
    for (bool correct : {true, false}) {
      const std::string kind = correct ? "correct" : "misspelt";
      Register("exact/" + kind + "/engine/" + tag, [=](benchmark::State& s) { ExactEngine(s, language, correct); });
      Register("exact/" + kind + "/hunspell/" + tag, [=](benchmark::State& s) { ExactHunspell(s, language, correct); });
    }
    Register("prefix+9/engine/" + tag,
             [=](benchmark::State& s) { PrefixAndNeighbours(s, language, PrefixPart::LookupAndRows); });
    Register("prefix-only/engine/" + tag,
             [=](benchmark::State& s) { PrefixAndNeighbours(s, language, PrefixPart::Lookup); });
    Register("9-rows-only/engine/" + tag,
             [=](benchmark::State& s) { PrefixAndNeighbours(s, language, PrefixPart::Rows); });
    Register("load+check/" + tag, [=](benchmark::State& s) { LoadAndCheck(s, language); }, benchmark::kMillisecond);
    Register("index/" + tag, [=](benchmark::State& s) { BuildIndex(s, language); }, benchmark::kMillisecond);
  }
  Register("switch-to-ru/1k-user-words", SwitchToRussian, benchmark::kMillisecond);
  for (int userWords : {0, 1000, 10000, 100000}) {
    Register("activate/ru/" + std::to_string(userWords) + "-user-words",
             [=](benchmark::State& s) { Activate(s, E::kRussian, userWords); }, benchmark::kMillisecond);
  }
  for (int language : {E::kEnglish, E::kRussian})
    Register(std::string("key/real-text/") + TheLanguage(language).tag + "/1k-user-words",
             [=](benchmark::State& s) { KeyOnRealText(s, language, 1000); });
  Register("key/real-text/ru-typed-in-en/1k-user-words", [](benchmark::State& s) { KeyInTheOtherLayout(s); });
  for (int userWords : {0, 10000, 100000})
    Register("key/real-text/ru/" + std::to_string(userWords) + "-user-words",
             [=](benchmark::State& s) { KeyOnRealText(s, E::kRussian, userWords); });
  for (int length : {1, 10, 100, 1000, 10000})
    Register("key/word-of-" + std::to_string(length) + "-letters/ru",
             [=](benchmark::State& s) { KeyOnLongWords(s, length); });

  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(russianListMiB, russianIndexMiB, hunspellMiB);
  benchmark::Shutdown();
  return 0;
}
