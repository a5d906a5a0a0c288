// Speed and memory of the spelling engine on the real Russian dictionary:
// language activation with 1,000 user words, the interpreter per key, and
// exact and lower-bound lookups, next to the system spelling library's spell().

#include <benchmark/benchmark.h>
#include <hunspell.hxx>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"

namespace {

namespace fs = std::filesystem;
using vuruzid::EngineFiles;
using vuruzid::SpellingEngine;

const fs::path kProgramFolder = VURUZID_PROGRAM_DIR;

// Resident set size of this process in bytes.
long ResidentBytes() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// A program folder in /tmp whose data/ holds 1,000 user words and whose
// libraries are the built ones.
struct BenchFolder {
  fs::path path = fs::temp_directory_path() / "vuruzid-engine-bench";
  BenchFolder() {
    fs::create_directories(path / "data");
    std::ofstream words(path / "data" / "datr_u.txt", std::ios::binary);
    std::mt19937 random(7);
    for (int i = 0; i < 1000; ++i) {
      std::string word;
      for (int k = 0; k < 9; ++k) word += static_cast<char>(0xE0 + random() % 32);  // а-я
      words << word << "\r\n";
    }
  }
  EngineFiles Files() const { return {path, {kProgramFolder}}; }
};

const BenchFolder& Folder() {
  static BenchFolder folder;
  return folder;
}

std::unique_ptr<SpellingEngine> ActiveRussian() {
  auto engine = std::make_unique<SpellingEngine>(Folder().Files(), [](const std::string& m) {
    std::fprintf(stderr, "%s\n", m.c_str());
  });
  engine->ActivateLanguage(SpellingEngine::kRussian);
  return engine;
}

// Every 97th dictionary word, and the same words with one letter changed.
std::vector<std::string> SampleWords(const SpellingEngine& engine) {
  std::vector<std::string> words;
  const auto& list = engine.wordList();
  for (size_t i = 0; i < list.size(); i += 97) {
    std::string w(list[i]);
    words.push_back(w);
    w[w.size() / 2] = w[w.size() / 2] == '\xC0' ? '\xC1' : '\xC0';
    words.push_back(w);
  }
  return words;
}

void BM_ActivateLanguage(benchmark::State& state) {
  SpellingEngine engine(Folder().Files(), nullptr);
  for (auto _ : state) engine.ActivateLanguage(SpellingEngine::kRussian);
  state.counters["words"] = static_cast<double>(engine.wordList().size());
  state.counters["user_words"] = static_cast<double>(engine.userWordList().size());
}
BENCHMARK(BM_ActivateLanguage)->Unit(benchmark::kMillisecond);

void BM_ActivateLanguageResident(benchmark::State& state) {
  // Memory of one freshly activated list, pages of the mapping included.
  double megabytes = 0;
  for (auto _ : state) {
    const long before = ResidentBytes();
    auto engine = ActiveRussian();
    megabytes = (ResidentBytes() - before) / 1048576.0;
    benchmark::DoNotOptimize(engine);
  }
  state.counters["resident_MiB"] = megabytes;
}
BENCHMARK(BM_ActivateLanguageResident)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ProcessKey(benchmark::State& state) {
  auto engine = ActiveRussian();
  // "в чащах юга жил бы цитрус да но фальшивый экземпляр" typed on the Russian layout.
  const std::string sentence = "D XFOF[ .UF ;BK ,S WBNHEC LF YJ AFKMIBDSQ 'RPTVGKZH ";
  std::vector<int> keys;
  for (char c : sentence) {
    switch (c) {
      case ' ': keys.push_back(32); break;
      case '[': keys.push_back(219); break;
      case ',': keys.push_back(188); break;
      case '.': keys.push_back(190); break;
      case ';': keys.push_back(186); break;
      case '\'': keys.push_back(222); break;
      default: keys.push_back(static_cast<unsigned char>(c));
    }
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine->ProcessKey(keys[i], 1));
    if (++i == keys.size()) i = 0;
  }
}
BENCHMARK(BM_ProcessKey);

void BM_ExactLookup(benchmark::State& state) {
  auto engine = ActiveRussian();
  const auto words = SampleWords(*engine);
  size_t i = 0, found = 0;
  for (auto _ : state) {
    found += engine->wordList().FindExact(words[i]).has_value();
    if (++i == words.size()) i = 0;
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExactLookup);

void BM_LowerBound(benchmark::State& state) {
  auto engine = ActiveRussian();
  const auto words = SampleWords(*engine);
  size_t i = 0, sum = 0;
  for (auto _ : state) {
    sum += engine->wordList().LowerBound(words[i]);
    if (++i == words.size()) i = 0;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LowerBound);

// The yardstick: the system spelling library loading the same language.
void BM_YardstickLoad(benchmark::State& state) {
  double megabytes = 0;
  for (auto _ : state) {
    const long before = ResidentBytes();
    Hunspell speller(HUNSPELL_DICTIONARIES "/ru_RU.aff", HUNSPELL_DICTIONARIES "/ru_RU.dic");
    // Later rounds reuse the heap the first one freed: keep the first figure.
    if (megabytes == 0) megabytes = (ResidentBytes() - before) / 1048576.0;
    benchmark::DoNotOptimize(speller);
  }
  state.counters["resident_MiB"] = megabytes;
}
BENCHMARK(BM_YardstickLoad)->Iterations(3)->Unit(benchmark::kMillisecond);

// The yardstick: the same words through the system spelling library.
void BM_YardstickSpell(benchmark::State& state) {
  auto engine = ActiveRussian();
  std::vector<std::string> words;
  for (const auto& w : SampleWords(*engine)) words.push_back(vuruzid::cp1251::ToUtf8(w));
  Hunspell speller(HUNSPELL_DICTIONARIES "/ru_RU.aff", HUNSPELL_DICTIONARIES "/ru_RU.dic");
  size_t i = 0, found = 0;
  for (auto _ : state) {
    found += speller.spell(words[i]);
    if (++i == words.size()) i = 0;
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_YardstickSpell);


}  // namespace

int main(int argc, char** argv) {
  if (!fs::exists(kProgramFolder / "russian.dll")) {
    std::fprintf(stderr, "russian.dll is not built in %s\n", kProgramFolder.c_str());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
