// How well and how fast our corrector ranks the word meant for a misspelt
// one, next to libhunspell's suggest() on the same words in the same run.
//
//   suggest_bench [--lang en|ru] [--limit N] [--program-dir DIR] [--hunspell-dev]
//   suggest_bench --tune [--lang en|ru] [--limit N]
//   suggest_bench --disagreements N [--misses N] [--lang en|ru] [--limit N]
//
// Five sets, each split once into a half for tuning (dev) and a half for
// reporting (test): codespell's list of real misspellings, and one- and
// two-slip typos of words drawn by frequency from texts Debian installs, in
// English and Russian. The report gives top-1 and top-5 (the word meant first,
// or among the first five; compared upper-cased, Ё as Е), the time of each
// call, and the resident memory each library adds.

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Contenders.h"
#include "TestSets.h"
#include "WeightSearch.h"
#include "engine/Cp1251.h"

namespace {

namespace fs = std::filesystem;
using namespace vuruzid;
using namespace vuruzid::bench;
using Clock = std::chrono::steady_clock;

const fs::path kHunspellFolder = HUNSPELL_DICTIONARIES;
const fs::path kMisspellings = "/usr/lib/python3/dist-packages/codespell_lib/data/dictionary.txt";
const fs::path kRussianModel = "/usr/share/onboard/models/ru_RU.lm";
constexpr size_t kDefaultPerHalf = 1000;

struct Options {
  size_t perHalf = kDefaultPerHalf;
  std::vector<int> languages = {SpellingEngine::kEnglish, SpellingEngine::kRussian};
  fs::path programFolder = VURUZID_PROGRAM_DIR;
  bool tune = false;
  bool hunspellOnDev = false;
  size_t disagreements = 0;
  size_t misses = 0;
};

const char* kUsage =
    "usage: suggest_bench [--lang en|ru] [--limit N] [--program-dir DIR] [--hunspell-dev]\n"
    "                     [--tune] [--disagreements N] [--misses N]\n"
    "  --limit N         words per half of each set (default 1000)\n"
    "  --program-dir DIR where english.dll, russian.dll and their .frq files are\n"
    "  --hunspell-dev    also run libhunspell on the dev halves (doubles the run time)\n"
    "  --tune            search the correction weights on the dev halves (our corrector only)\n"
    "  --disagreements N also print N test words whose first suggestions differ\n"
    "  --misses N        also print N test words our corrector ranks wrongly, with the costs\n";

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    auto count = [&](size_t* out) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value < 1) return false;
      *out = static_cast<size_t>(value);
      return true;
    };
    if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (option == "--tune") {
      options.tune = true;
    } else if (option == "--hunspell-dev") {
      options.hunspellOnDev = true;
    } else if (option == "--limit" && hasValue) {
      if (!count(&options.perHalf)) return std::nullopt;
    } else if (option == "--disagreements" && hasValue) {
      if (!count(&options.disagreements)) return std::nullopt;
    } else if (option == "--misses" && hasValue) {
      if (!count(&options.misses)) return std::nullopt;
    } else if (option == "--program-dir" && hasValue) {
      options.programFolder = argv[++i];
    } else if (option == "--lang" && hasValue) {
      const std::string lang = argv[++i];
      if (lang != "en" && lang != "ru") return std::nullopt;
      options.languages = {lang == "en" ? SpellingEngine::kEnglish : SpellingEngine::kRussian};
    } else {
      return std::nullopt;
    }
  }
  return options;
}

const char* Tag(int language) { return language == SpellingEngine::kRussian ? "ru" : "en"; }

std::string Shown(std::string_view listed) { return listed.empty() ? "(none)" : cp1251::ToUtf8(listed); }

// ---------------------------------------------------------------------------
// Memory, each library alone in a child process started before anything is
// loaded, so nothing of the other library or of the sets is counted.

struct Memory {
  double loadedMiB = 0;      // resident after loading, as the program holds it
  double firstCallMiB = 0;   // resident added by the first suggestion (our frequencies)
  double peakMiB = 0;        // the peak over all of it
  double indexMiB = 0;       // our word list's lookup indexes
  bool measured = false;
};

Memory InChild(const std::function<Memory()>& measure) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return {};
  }
  if (child == 0) {
    close(fds[0]);
    const Memory memory = measure();
    const ssize_t written = write(fds[1], &memory, sizeof memory);
    _exit(written == sizeof memory ? 0 : 1);
  }
  close(fds[1]);
  Memory memory;
  const bool readAll = read(fds[0], &memory, sizeof memory) == sizeof memory;
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!readAll || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  memory.measured = true;
  return memory;
}

// A misspelling to ask each library about once, lower case (Windows-1251).
std::string ProbeWord(int language) {
  return language == SpellingEngine::kRussian ? "\xEF\xF0\xE5\xE2\xE5\xF2" : "speling";  // превет
}

Memory OurMemory(const fs::path& programFolder, int language) {
  return InChild([&] {
    const long before = ResidentKiB();
    OurCorrector ours(programFolder, language);
    ours.List().PrepareLookups();  // as the program does once its window shows
    const long loaded = ResidentKiB();
    ours.Suggest(cp1251::ToUpper(ProbeWord(language)));
    return Memory{(loaded - before) / 1024.0, (ResidentKiB() - loaded) / 1024.0, (PeakResidentKiB() - before) / 1024.0,
                  ours.List().IndexBytes() / 1048576.0, false};
  });
}

Memory HunspellMemory(int language) {
  return InChild([&] {
    const long before = ResidentKiB();
    Yardstick yardstick(kHunspellFolder, language);
    const long loaded = ResidentKiB();
    yardstick.Suggest(cp1251::ToUtf8(ProbeWord(language)));
    return Memory{(loaded - before) / 1024.0, (ResidentKiB() - loaded) / 1024.0, (PeakResidentKiB() - before) / 1024.0,
                  0, false};
  });
}

// ---------------------------------------------------------------------------
// Runs.

struct Answer {
  int rank = -1;      // where the word meant is among the first five; -1 when not there
  std::string first;  // the first suggestion, upper case, Windows-1251
  double seconds = 0;
  double cpuSeconds = 0;  // the same call's processor time: what other processes on the machine leave out
};

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec * 1e-9;
}

struct HalfRun {
  std::vector<Answer> ours, theirs;  // theirs empty when libhunspell did not run on the half
};

struct SetRun {
  TestSet set;
  HalfRun dev, test;
};

struct FirstCalls {
  double ours = 0, theirs = 0;
  std::string frequencies;  // what our corrector ranked with
};

int RankIn(const std::vector<std::string>& listed, const std::string& intended) {
  for (size_t i = 0; i < listed.size() && i < 5; ++i)
    if (listed[i] == intended) return static_cast<int>(i);
  return -1;
}

std::vector<Answer> RunOurs(const OurCorrector& ours, const std::vector<TestWord>& words) {
  std::vector<Answer> answers;
  for (const TestWord& word : words) {
    const double cpuStart = ThreadCpuSeconds();
    const auto start = Clock::now();
    const LetterCase typedCase = CaseOf(cp1251::FromUtf8(word.callerTyped).value_or(word.typed));
    const std::vector<std::string> suggestions = ours.Suggest(word.typed, typedCase);
    const std::chrono::duration<double> took = Clock::now() - start;
    const double cpu = ThreadCpuSeconds() - cpuStart;
    answers.push_back(
        {RankIn(suggestions, word.intended), suggestions.empty() ? "" : suggestions[0], took.count(), cpu});
  }
  return answers;
}

std::vector<Answer> RunTheirs(Yardstick& yardstick, const std::vector<TestWord>& words) {
  std::vector<Answer> answers;
  for (const TestWord& word : words) {
    const double cpuStart = ThreadCpuSeconds();
    const auto start = Clock::now();
    const std::vector<std::string> suggestions = yardstick.Suggest(word.callerTyped);
    const std::chrono::duration<double> took = Clock::now() - start;
    const double cpu = ThreadCpuSeconds() - cpuStart;
    std::vector<std::string> listed;
    for (size_t i = 0; i < suggestions.size() && i < 5; ++i) listed.push_back(Yardstick::AsListed(suggestions[i]));
    answers.push_back({RankIn(listed, word.intended), listed.empty() ? "" : listed[0], took.count(), cpu});
  }
  return answers;
}

// The language's sets, built from the same words for both libraries.
std::vector<TestSet> BuildSets(int language, size_t perHalf, OurCorrector& ours, Yardstick& yardstick,
                               std::string* textsUsed) {
  const Judges judges{[&](std::string_view w) { return ours.Lists(w); },
                      [&](const std::string& w) { return yardstick.Accepts(w); }};
  std::vector<TestSet> sets;
  const bool russian = language == SpellingEngine::kRussian;
  if (!russian) {
    if (fs::exists(kMisspellings))
      sets.push_back(MisspellingSet(kMisspellings, perHalf, 101, judges));
    else
      std::fprintf(stderr, "%s is missing (install the codespell package): its set is left out\n",
                   kMisspellings.c_str());
  }
  const TextWords words(language, russian ? RussianTexts(textsUsed) : EnglishTexts(textsUsed), judges);
  const uint32_t seed = russian ? 301 : 201;
  sets.push_back(words.TypoSet(std::string(Tag(language)) + " 1 slip", 1, 3, perHalf, seed, judges));
  sets.push_back(words.TypoSet(std::string(Tag(language)) + " 2 slips", 2, 5, perHalf, seed + 1, judges));
  if (russian) {
    if (fs::exists(kRussianModel))
      sets.push_back(ByEarSet(kRussianModel, 20000, perHalf, 401, judges));
    else
      std::fprintf(stderr, "%s is missing (install the onboard-data package): the by-ear set is left out\n",
                   kRussianModel.c_str());
  }
  return sets;
}

// ---------------------------------------------------------------------------
// The report.

double Percentile(std::vector<double> seconds, double q) {
  if (seconds.empty()) return 0;
  std::sort(seconds.begin(), seconds.end());
  const size_t rank = static_cast<size_t>(std::ceil(q * seconds.size()));
  return seconds[std::clamp<size_t>(rank, 1, seconds.size()) - 1];
}

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 1e-3)
    std::snprintf(text, sizeof text, "%.0f us", seconds * 1e6);
  else
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  return text;
}

std::string Percent(size_t part, size_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %%", whole ? 100.0 * part / whole : 0.0);
  return text;
}

// The half-width of the 95 % interval of a share measured on `n` words.
std::string Margin(size_t part, size_t n) {
  if (n == 0) return "";
  const double p = static_cast<double>(part) / n;
  char text[32];
  std::snprintf(text, sizeof text, "±%.1f", 196.0 * std::sqrt(p * (1 - p) / n));
  return text;
}

void PrintRow(const std::string& set, const char* library, const std::vector<Answer>& answers, bool skipFirst) {
  size_t top1 = 0, top5 = 0;
  std::vector<double> seconds, cpuSeconds;
  for (size_t i = 0; i < answers.size(); ++i) {
    top1 += answers[i].rank == 0;
    top5 += answers[i].rank >= 0;
    if (skipFirst && i == 0) continue;
    seconds.push_back(answers[i].seconds);
    cpuSeconds.push_back(answers[i].cpuSeconds);
  }
  std::printf("| %s | %s | %zu | %s | %s | %s | %s | %s | %s | %s | %s |\n", set.c_str(), library, answers.size(),
              Percent(top1, answers.size()).c_str(), Margin(top1, answers.size()).c_str(),
              Percent(top5, answers.size()).c_str(), Duration(Percentile(seconds, 0.5)).c_str(),
              Duration(Percentile(seconds, 0.9)).c_str(), Duration(Percentile(seconds, 0.99)).c_str(),
              Duration(Percentile(cpuSeconds, 0.5)).c_str(), Duration(Percentile(cpuSeconds, 0.9)).c_str());
}

void PrintTable(const std::vector<SetRun>& runs, bool test) {
  std::printf("| set | library | words | top-1 | 95%% ± | top-5 | p50 | p90 | p99 | CPU p50 | CPU p90 |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (size_t r = 0; r < runs.size(); ++r) {
    const HalfRun& half = test ? runs[r].test : runs[r].dev;
    // The first call of each language (the first set's first test word) is
    // timed apart: ours reads the frequency file then.
    const bool firstOfLanguage = test && (r == 0 || runs[r - 1].set.language != runs[r].set.language);
    PrintRow(runs[r].set.name, "ours", half.ours, firstOfLanguage);
    if (!half.theirs.empty()) PrintRow(runs[r].set.name, "libhunspell", half.theirs, firstOfLanguage);
  }
}

// How often each library put the word meant first and in the first five,
// over the test words `counts` picks, as one row of a table.
void PrintTally(const SetRun& run, const std::string& kind, const std::function<bool(const TestWord&)>& counts) {
  const auto& words = run.set.test;
  size_t n = 0, ours1 = 0, theirs1 = 0, ours5 = 0, theirs5 = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    if (!counts(words[i])) continue;
    ++n;
    ours1 += run.test.ours[i].rank == 0;
    ours5 += run.test.ours[i].rank >= 0;
    if (!run.test.theirs.empty()) {
      theirs1 += run.test.theirs[i].rank == 0;
      theirs5 += run.test.theirs[i].rank >= 0;
    }
  }
  std::printf("| %s | %s | %zu | %s | %s | %s | %s |\n", run.set.name.c_str(), kind.c_str(), n,
              Percent(ours1, n).c_str(), Percent(theirs1, n).c_str(), Percent(ours5, n).c_str(),
              Percent(theirs5, n).c_str());
}

// Top-1 by the kind of slip, on the one-slip test halves.
void PrintBySlip(const std::vector<SetRun>& runs) {
  std::printf("| set | slip | words | ours top-1 | libhunspell top-1 | ours top-5 | libhunspell top-5 |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|\n");
  for (const SetRun& run : runs) {
    if (run.set.test.empty() || run.set.test[0].slips.size() != 1) continue;
    for (int k = 0; k < kSlipKinds; ++k)
      PrintTally(run, std::string(SlipName(static_cast<Slip>(k))),
                 [k](const TestWord& w) { return w.slips[0] == static_cast<Slip>(k); });
  }
}

// Top-1 by the kind of change, on the by-ear test halves (a word changed
// twice counts under each of its kinds, and in the last row).
void PrintByEar(const std::vector<SetRun>& runs) {
  std::printf("| set | change by ear | words | ours top-1 | libhunspell top-1 | ours top-5 | libhunspell top-5 |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|\n");
  for (const SetRun& run : runs) {
    if (run.set.test.empty() || run.set.test[0].byEar.empty()) continue;
    for (int k = 0; k < kByEarKinds; ++k)
      PrintTally(run, std::string(ByEarName(static_cast<ByEar>(k))),
                 [k](const TestWord& w) { return std::ranges::find(w.byEar, static_cast<ByEar>(k)) != w.byEar.end(); });
    PrintTally(run, "two changes", [](const TestWord& w) { return w.byEar.size() >= 2; });
  }
}

// Misspellings whose keys, read in the other language's layout, spell a word
// the checker would offer as typed in that layout: false readings, by length.
void PrintOtherLayoutReadings(const std::vector<SetRun>& runs, std::map<int, std::unique_ptr<OurCorrector>>& correctors) {
  std::printf("| set | words | read as the other language's word: all | 3 letters | 4 letters | 5+ letters |\n");
  std::printf("|---|---:|---:|---:|---:|---:|\n");
  for (const SetRun& run : runs) {
    std::array<size_t, 3> words{}, read{};
    for (const auto* half : {&run.set.dev, &run.set.test})
      for (const TestWord& word : *half) {
        const std::string core = CorrectableCore(word.typed);
        if (core.size() < 3) continue;
        const size_t bucket = std::min<size_t>(core.size(), 5) - 3;
        ++words[bucket];
        read[bucket] += !correctors.at(run.set.language)->OtherLayoutSpelling(core).empty();
      }
    auto share = [](size_t part, size_t whole) { return Percent(part, whole) + " of " + std::to_string(whole); };
    std::printf("| %s | %zu | %s | %s | %s | %s |\n", run.set.name.c_str(), words[0] + words[1] + words[2],
                share(read[0] + read[1] + read[2], words[0] + words[1] + words[2]).c_str(), share(read[0], words[0]).c_str(),
                share(read[1], words[1]).c_str(), share(read[2], words[2]).c_str());
  }
}

// Where our corrector's first suggestion is not the word meant, on the test halves.
void PrintWhereWeMiss(const std::vector<SetRun>& runs) {
  std::printf("| set | words | missed top-1 | out of reach (dearer than the search's bound) | meant ranked 2-5 | meant below 5 | "
              "first letter changed: words | our top-1 on them |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const SetRun& run : runs) {
    size_t missed = 0, far = 0, close = 0, below = 0, firstChanged = 0, firstChangedHits = 0;
    for (size_t i = 0; i < run.set.test.size(); ++i) {
      const int rank = run.test.ours[i].rank;
      const TestWord& word = run.set.test[i];
      if (word.typed.empty() || word.typed[0] != word.intended[0]) {
        ++firstChanged;
        firstChangedHits += rank == 0;
      }
      if (rank == 0) continue;
      ++missed;
      if (rank > 0)
        ++close;
      else if (ErrorModel::ForSearch(LayoutOf(run.set.language)).Cost(CorrectableCore(word.typed), word.intended) >
               ErrorModel::kSearchReach)
        ++far;
      else
        ++below;
    }
    std::printf("| %s | %zu | %zu | %zu | %zu | %zu | %zu | %s |\n", run.set.name.c_str(), run.set.test.size(), missed, far,
                close, below, firstChanged, Percent(firstChangedHits, firstChanged).c_str());
  }
}

void PrintDisagreements(const std::vector<SetRun>& runs, size_t wanted) {
  std::vector<std::vector<size_t>> differing(runs.size());
  for (size_t r = 0; r < runs.size(); ++r)
    for (size_t i = 0; i < runs[r].test.theirs.size(); ++i)
      if (runs[r].test.ours[i].first != runs[r].test.theirs[i].first) differing[r].push_back(i);
  std::printf("\n### Test words whose first suggestions differ (%zu asked, taken in turn from each set)\n\n", wanted);
  std::printf("| set | typed | meant | ours | libhunspell |\n|---|---|---|---|---|\n");
  size_t shown = 0;
  for (size_t depth = 0; shown < wanted; ++depth) {
    bool any = false;
    for (size_t r = 0; r < runs.size() && shown < wanted; ++r) {
      if (depth >= differing[r].size()) continue;
      any = true;
      const size_t i = differing[r][depth];
      const TestWord& word = runs[r].set.test[i];
      const Answer &ours = runs[r].test.ours[i], &theirs = runs[r].test.theirs[i];
      std::printf("| %s | %s | %s | %s%s | %s%s |\n", runs[r].set.name.c_str(), word.callerTyped.c_str(),
                  Shown(word.intended).c_str(), Shown(ours.first).c_str(), ours.rank == 0 ? " ✓" : "",
                  Shown(theirs.first).c_str(), theirs.rank == 0 ? " ✓" : "");
      ++shown;
    }
    if (!any) break;
  }
}

std::string SlipsText(const TestWord& word) {
  std::string text;
  for (Slip slip : word.slips) text += (text.empty() ? "" : ", ") + std::string(SlipName(slip));
  return text.empty() ? "real" : text;
}

// Test words whose first suggestion is not the word meant, taken in turn from
// each set, with what the ranking weighed: edit cost and -ln P(word).
void PrintMissDetails(const std::vector<SetRun>& runs, const std::map<int, std::unique_ptr<OurCorrector>>& correctors,
                      size_t wanted) {
  std::printf("\n### Test words our corrector ranks wrongly (%zu asked, taken in turn from each set)\n\n", wanted);
  std::printf("| set | typed | slips | meant: rank, edit + λ·(-ln P) | our first: edit + λ·(-ln P) |\n"
              "|---|---|---|---|---|\n");
  std::vector<size_t> next(runs.size(), 0);
  for (size_t shown = 0; shown < wanted;) {
    bool any = false;
    for (size_t r = 0; r < runs.size() && shown < wanted; ++r) {
      const auto& answers = runs[r].test.ours;
      while (next[r] < answers.size() && answers[next[r]].rank == 0) ++next[r];
      if (next[r] >= answers.size()) continue;
      any = true;
      const TestWord& word = runs[r].set.test[next[r]++];
      const OurCorrector& ours = *correctors.at(runs[r].set.language);
      const double lambda = ours.TheCorrector().Weights().lambda;
      const auto ranked = ours.TheCorrector().Rank(word.typed, ours.List(), {});
      auto costs = [&](const Corrector::Candidate& c) {
        char text[96];
        std::snprintf(text, sizeof text, "%.2f + %.3g·%.2f = %.2f", c.editCost, lambda, c.wordCost, c.Score(lambda));
        return std::string(text);
      };
      std::string meant = Shown(word.intended) + ": not within 2 edits";
      for (size_t i = 0; i < ranked.size(); ++i)
        if (ranked[i].word == word.intended) meant = Shown(word.intended) + ": " + std::to_string(i + 1) + ", " + costs(ranked[i]);
      const std::string first = ranked.empty() ? "(none)" : Shown(ranked[0].word) + ": " + costs(ranked[0]);
      std::printf("| %s | %s | %s | %s | %s |\n", runs[r].set.name.c_str(), word.callerTyped.c_str(),
                  SlipsText(word).c_str(), meant.c_str(), first.c_str());
      ++shown;
    }
    if (!any) break;
  }
}

void PrintMemory(int language, const Memory& ours, const Memory& theirs) {
  auto mib = [](const Memory& m, double v) {
    char text[32];
    std::snprintf(text, sizeof text, m.measured ? "%.1f MiB" : "-", v);
    return std::string(text);
  };
  std::printf("| %s | ours | %s | %s | %s | %s |\n", Tag(language), mib(ours, ours.loadedMiB).c_str(),
              mib(ours, ours.firstCallMiB).c_str(), mib(ours, ours.peakMiB).c_str(), mib(ours, ours.indexMiB).c_str());
  std::printf("| %s | libhunspell | %s | %s | %s | - |\n", Tag(language), mib(theirs, theirs.loadedMiB).c_str(),
              mib(theirs, theirs.firstCallMiB).c_str(), mib(theirs, theirs.peakMiB).c_str());
}

// ---------------------------------------------------------------------------
// Tuning.

void Tune(int language, const std::vector<TestSet>& sets, const OurCorrector& ours) {
  const KeyLayout layout = LayoutOf(language);
  std::string problem;
  const auto table = WordFrequencies::Load(WordFrequencies::SideFileOf(ours.LibraryPath()), ours.List(), &problem);
  const WordFrequencies frequencies = table ? *table : WordFrequencies();
  std::printf("\n## Weight search, %s (dev halves; %s)\n\n", Tag(language),
              table ? ("frequencies: " + std::to_string(frequencies.CountedWords()) + " words counted").c_str()
                    : ("no frequencies, lambda left alone: " + problem).c_str());
  const CorrectionWeights start = DefaultCorrectionWeights(layout);
  const ErrorModel searchModel = ErrorModel::ForSearch(layout);
  std::vector<std::vector<WeighedWord>> dev, test;
  for (const TestSet& set : sets) {
    dev.push_back(WeighWords(set.dev, ours.List(), frequencies, searchModel));
    test.push_back(WeighWords(set.test, ours.List(), frequencies, searchModel));
  }
  // The search ranks as the corrector does: check that on the first dev words.
  size_t agree = 0, checked = 0;
  const Corrector corrector(layout, frequencies, start);
  for (size_t s = 0; s < sets.size(); ++s)
    for (size_t i = 0; i < std::min<size_t>(100, dev[s].size()); ++i, ++checked) {
      const auto suggestions = corrector.Suggest(sets[s].dev[i].typed, ours.List(), {}, 5,
                                                 CaseOf(cp1251::FromUtf8(sets[s].dev[i].callerTyped).value_or("")));
      const Hits hits = Score({dev[s][i]}, layout, start);
      const int rank = RankIn(suggestions, sets[s].dev[i].intended);
      agree += (rank == 0) == (hits.top1 > 0) && (rank >= 0) == (hits.top5 > 0);
    }
  std::printf("search ranking agrees with Corrector::Suggest on %zu of %zu dev words\n\n", agree, checked);

  const CorrectionWeights best = SearchWeights(dev, layout, start, table.has_value(),
                                               [](const std::string& line) { std::printf("%s\n", line.c_str()); });
  std::printf("\nbest for %s: %s\n\n", Tag(language), WeightsText(best).c_str());
  std::printf("| set | default dev top-1 | best dev top-1 | default dev top-5 | best dev top-5 | "
              "held-out test top-1: default | best |\n|---|---:|---:|---:|---:|---:|---:|\n");
  for (size_t s = 0; s < sets.size(); ++s) {
    const Hits d0 = Score(dev[s], layout, start), d1 = Score(dev[s], layout, best);
    const Hits t0 = Score(test[s], layout, start), t1 = Score(test[s], layout, best);
    std::printf("| %s | %.1f %% | %.1f %% | %.1f %% | %.1f %% | %.1f %% | %.1f %% |\n", sets[s].name.c_str(),
                100 * d0.top1, 100 * d1.top1, 100 * d0.top5, 100 * d1.top5, 100 * t0.top1, 100 * t1.top1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseOptions(argc, argv);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  for (int language : options->languages) {
    const fs::path library = options->programFolder / SpellingEngine::LibraryFileName(language);
    if (!fs::exists(library)) {
      std::fprintf(stderr, "%s is not built (configure with -DVURUZID_BUILD_DICTIONARIES=ON, or --program-dir)\n",
                   library.c_str());
      return 1;
    }
  }
  const auto runStart = Clock::now();

  std::map<int, std::pair<Memory, Memory>> memory;
  if (!options->tune)
    for (int language : options->languages)
      memory[language] = {OurMemory(options->programFolder, language), HunspellMemory(language)};

  std::vector<SetRun> runs;
  std::map<int, FirstCalls> firstCalls;
  std::map<int, std::string> textsUsed;
  std::map<int, std::unique_ptr<OurCorrector>> correctors;
  for (int language : options->languages) {
    correctors[language] = std::make_unique<OurCorrector>(options->programFolder, language);
    OurCorrector& ours = *correctors[language];
    Yardstick yardstick(kHunspellFolder, language);
    std::vector<TestSet> sets = BuildSets(language, options->perHalf, ours, yardstick, &textsUsed[language]);
    if (options->tune) {
      Tune(language, sets, ours);
      continue;
    }
    const size_t firstRun = runs.size();
    for (TestSet& set : sets) runs.push_back({std::move(set), {}, {}});
    // Ours on every half, then libhunspell, so neither warms the other's caches.
    for (size_t r = firstRun; r < runs.size(); ++r) {
      runs[r].test.ours = RunOurs(ours, runs[r].set.test);
      runs[r].dev.ours = RunOurs(ours, runs[r].set.dev);
    }
    const std::string problem = ours.TheCorrector().TakeFrequencyProblem();
    firstCalls[language].frequencies =
        problem.empty() ? WordFrequencies::SideFileOf(ours.LibraryPath()).string() : "none (" + problem + ")";
    for (size_t r = firstRun; r < runs.size(); ++r) {
      runs[r].test.theirs = RunTheirs(yardstick, runs[r].set.test);
      if (options->hunspellOnDev) runs[r].dev.theirs = RunTheirs(yardstick, runs[r].set.dev);
    }
    if (firstRun < runs.size() && !runs[firstRun].test.ours.empty()) {
      firstCalls[language].ours = runs[firstRun].test.ours[0].seconds;
      firstCalls[language].theirs = runs[firstRun].test.theirs[0].seconds;
    }
  }
  if (options->tune) {
    std::printf("\nrun time %.0f s\n", std::chrono::duration<double>(Clock::now() - runStart).count());
    return 0;
  }

  std::printf("# Corrections: our corrector and libhunspell suggest() on the same misspelt words\n\n");
  std::printf("- program folder: %s; libhunspell dictionaries: %s/{en_US,ru_RU} (SET UTF-8; words passed as UTF-8 in "
              "the case they were written)\n",
              options->programFolder.c_str(), kHunspellFolder.c_str());
  std::printf("- slips (each at a random place in the word, the first letter as likely as any): %s; "
              "a typo either library lists, or one not exactly as many edits "
              "from its word as slips were made, is made again\n",
              SlipMixText().c_str());
  std::printf("- each set split once: dev (tuning) and test (this report) take its words in turn; "
              "%zu words per half at most; libhunspell runs on the test halves%s\n",
              options->perHalf, options->hunspellOnDev ? " and the dev halves" : " only");
  for (int language : options->languages) {
    std::printf("- %s texts: %s\n", Tag(language), textsUsed[language].c_str());
    std::printf("- %s frequencies: %s\n", Tag(language), firstCalls[language].frequencies.c_str());
  }
  for (const SetRun& run : runs)
    std::printf("- set %s: %zu dev / %zu test words; %s\n", run.set.name.c_str(), run.set.dev.size(),
                run.set.test.size(), run.set.source.c_str());
  std::printf("- top-1/top-5: the word meant is the first / among the first five suggestions (upper-cased, Ё as Е); "
              "95 %% ± is the normal-approximation interval; times: steady_clock around one suggest call, "
              "each library's first call of a language left out of the percentiles (below); CPU p50/p90: the "
              "processor time of a call, which time taken by other processes on a shared machine does not inflate\n");

  std::printf("\n## Test halves\n\n");
  PrintTable(runs, true);
  std::printf("\nfirst call of each language (in the first test word's row above, left out of its percentiles):\n");
  for (const auto& [language, first] : firstCalls)
    std::printf("- %s: ours %s (reads the frequency file, when there is one), libhunspell %s\n", Tag(language),
                Duration(first.ours).c_str(), Duration(first.theirs).c_str());

  std::printf("\n## Dev halves (the weights are tuned on these)\n\n");
  PrintTable(runs, false);

  std::printf("\n## Top-1 by kind of slip (one-slip test halves)\n\n");
  PrintBySlip(runs);
  std::printf("\n## Top-1 by kind of change by ear (by-ear test half)\n\n");
  PrintByEar(runs);
  std::printf("\n## Misspellings read as the other layout's word (dev and test halves)\n\n");
  PrintOtherLayoutReadings(runs, correctors);
  std::printf("\n## Where our first suggestion is not the word meant (test halves)\n\n");
  PrintWhereWeMiss(runs);

  std::printf("\n## Resident memory (VmRSS, each library alone in a child process)\n\n");
  std::printf("| lang | library | loaded | added by first suggestion | peak | of which lookup indexes |\n");
  std::printf("|---|---|---:|---:|---:|---:|\n");
  for (const auto& [language, both] : memory) PrintMemory(language, both.first, both.second);
  std::printf("\nOur corrector builds no index of its own: it walks the word list in order as a trie; ours "
              "\"loaded\" is the word list as the program holds it (library and its lookup indexes), the first "
              "suggestion adds the frequency table.\n");

  if (options->disagreements) PrintDisagreements(runs, options->disagreements);
  if (options->misses) PrintMissDetails(runs, correctors, options->misses);
  std::printf("\nrun time %.0f s\n", std::chrono::duration<double>(Clock::now() - runStart).count());
  return 0;
}
