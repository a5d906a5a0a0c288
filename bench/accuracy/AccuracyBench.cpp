// How often the checker marks words of real text wrong, next to the system
// spelling library's verdict on the same words, and how many real
// misspellings it still catches.
//
//   accuracy_bench [--en FILE]... [--ru FILE]... [--misspellings FILE] [--disagreements] [--letter-case on|off]
//
// --letter-case says whether words typed in lower case are checked against
// the case the dictionary writes them in (the program's default otherwise);
// the real-word slips that check is for are counted both ways.
//
// Without files it takes texts that Debian installs: licence texts for English
// and the Russian message catalogues for Russian, and codespell's list of
// misspellings (package codespell) when it is there.

#include <hunspell.hxx>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "MessageCatalogue.h"
#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"
#include "tools/check/TextReplay.h"

namespace {

namespace fs = std::filesystem;
using vuruzid::EngineFiles;
using vuruzid::SpellingEngine;
using vuruzid::check::ReplayCounts;
using vuruzid::check::ReplayedWord;

const fs::path kProgramFolder = VURUZID_PROGRAM_DIR;
const fs::path kHunspellFolder = HUNSPELL_DICTIONARIES;
const fs::path kMisspellings = "/usr/lib/python3/dist-packages/codespell_lib/data/dictionary.txt";

struct Text {
  std::string name;
  int language;
  std::string utf8;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Text> InstalledTexts() {
  std::vector<Text> texts;
  for (const char* name : {"GPL-3", "LGPL-2.1", "Apache-2.0", "MPL-2.0", "GFDL-1.3", "Artistic"})
    if (const fs::path p = fs::path("/usr/share/common-licenses") / name; fs::exists(p))
      texts.push_back({name, SpellingEngine::kEnglish, ReadFile(p)});
  for (const char* name : {"coreutils", "dpkg", "apt", "bash", "gnupg2", "glib20", "gtk20", "findutils", "grep"}) {
    const fs::path p = fs::path("/usr/share/locale/ru/LC_MESSAGES") / (std::string(name) + ".mo");
    if (auto text = vuruzid::bench::CatalogueTranslations(p)) texts.push_back({name + std::string(".mo"), 1, *text});
  }
  return texts;
}

// The system spelling library, called as its users call it.
class Yardstick {
 public:
  explicit Yardstick(int language) {
    const std::string base = (kHunspellFolder / (language == SpellingEngine::kRussian ? "ru_RU" : "en_US")).string();
    hunspell_ = std::make_unique<Hunspell>((base + ".aff").c_str(), (base + ".dic").c_str());
  }
  // Its verdict on a word as written; hyphens and apostrophes at the edges are
  // not part of a word for it.
  bool Accepts(std::string_view word) const {
    static constexpr std::string_view kEdges[] = {"-", "'", "`", "\xE2\x80\x99", "\xE2\x80\x98"};  // ’ ‘
    for (bool trimmed = true; trimmed;) {
      trimmed = false;
      for (std::string_view edge : kEdges) {
        if (word.starts_with(edge)) word.remove_prefix(edge.size()), trimmed = true;
        if (word.ends_with(edge)) word.remove_suffix(edge.size()), trimmed = true;
      }
    }
    return word.empty() || hunspell_->spell(std::string(word));
  }

 private:
  std::unique_ptr<Hunspell> hunspell_;
};

bool caseChecking = SpellingEngine::kCaseCheckingByDefault;

std::unique_ptr<SpellingEngine> Engine(const fs::path& scratch, int language, bool checkCase = caseChecking) {
  auto engine = std::make_unique<SpellingEngine>(EngineFiles{scratch, {kProgramFolder}}, [](const std::string& m) {
    std::fprintf(stderr, "%s\n", m.c_str());
  });
  engine->SetCaseChecking(checkCase);
  engine->ActivateLanguage(language);
  return engine;
}

double PerThousand(size_t part, size_t whole) { return whole ? 1000.0 * part / whole : 0.0; }

// Words one checker alarms at and the other does not, most frequent first.
void PrintDisagreements(const std::map<std::string, int>& words, const char* heading) {
  std::vector<std::pair<std::string, int>> sorted(words.begin(), words.end());
  std::ranges::stable_sort(sorted, [](const auto& a, const auto& b) { return a.second > b.second; });
  std::printf("  %s:", heading);
  for (size_t i = 0; i < std::min<size_t>(sorted.size(), 12); ++i)
    std::printf(" %s(%d)", sorted[i].first.c_str(), sorted[i].second);
  std::printf("\n");
}

void CompareOnTexts(const std::vector<Text>& texts, const fs::path& scratch, bool showDisagreements) {
  std::printf("%-16s %4s %8s %22s %22s %8s\n", "text", "lang", "words", "alarms/1000: checker", "system library",
              "ratio");
  for (const Text& text : texts) {
    auto engine = Engine(scratch, text.language);
    const Yardstick yardstick(text.language);
    size_t rejected = 0;
    std::map<std::string, int> onlyOurs, onlyTheirs;
    const ReplayCounts counts = vuruzid::check::ReplayText(*engine, text.utf8, [&](const ReplayedWord& w) {
      if (w.otherScript) return;
      const bool theyReject = !yardstick.Accepts(w.text);
      rejected += theyReject;
      if (w.marks > 0 && !theyReject) ++onlyOurs[std::string(w.text)];
      if (w.marks == 0 && theyReject) ++onlyTheirs[std::string(w.text)];
    });
    const double ours = PerThousand(counts.wordsMarked, counts.wordsTyped);
    const double theirs = PerThousand(rejected, counts.wordsTyped);
    std::printf("%-16s %4s %8zu %22.1f %22.1f %8.2f\n", text.name.c_str(), text.language ? "ru" : "en",
                counts.wordsTyped, ours, theirs, theirs > 0 ? ours / theirs : 0.0);
    if (showDisagreements) {
      PrintDisagreements(onlyOurs, "marked by the checker only");
      PrintDisagreements(onlyTheirs, "rejected by the system library only");
    }
  }
}

// Time per key of typing real text through the interpreter, text decoding
// included, over several runs.
void TimePerKey(const std::vector<Text>& texts, const fs::path& scratch) {
  for (int language : {SpellingEngine::kEnglish, SpellingEngine::kRussian}) {
    auto engine = Engine(scratch, language);
    std::vector<double> nsPerKey;
    for (int run = 0; run < 7; ++run) {
      size_t keys = 0;
      const auto start = std::chrono::steady_clock::now();
      for (const Text& text : texts)
        if (text.language == language) keys += vuruzid::check::ReplayText(*engine, text.utf8).keys;
      const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
      if (keys) nsPerKey.push_back(took.count() / keys);
    }
    if (nsPerKey.empty()) continue;
    std::ranges::sort(nsPerKey);
    std::printf("typing real text, %s: %.0f ns per key median (min %.0f, max %.0f, 7 runs)\n",
                language ? "Russian" : "English", nsPerKey[nsPerKey.size() / 2], nsPerKey.front(), nsPerKey.back());
  }
}

// Paragraphs of the texts of both languages, taken in turn: a bilingual
// writer's day, typed with a switch of keyboard layout at every change of
// script, by a checker that follows the layout and by one that does not.
void CompareFollowingTheLayout(const std::vector<Text>& texts, const fs::path& scratch) {
  std::array<std::vector<std::string>, 2> paragraphs;
  for (const Text& text : texts) {
    size_t start = 0;
    while (start < text.utf8.size() && paragraphs[text.language].size() < 400) {
      const size_t end = std::min(text.utf8.find("\n\n", start), text.utf8.size());
      if (end - start > 80) paragraphs[text.language].push_back(text.utf8.substr(start, end - start));
      start = end + 2;
    }
  }
  std::string session;
  for (size_t i = 0; i < std::min(paragraphs[0].size(), paragraphs[1].size()); ++i)
    session += paragraphs[0][i] + "\n\n" + paragraphs[1][i] + "\n\n";
  std::printf("bilingual session (%zu English and %zu Russian paragraphs, layout switched between them):\n",
              std::min(paragraphs[0].size(), paragraphs[1].size()), std::min(paragraphs[0].size(), paragraphs[1].size()));
  for (const bool follow : {true, false}) {
    auto engine = Engine(scratch, SpellingEngine::kEnglish);
    const ReplayCounts counts = vuruzid::check::ReplayText(*engine, session, {}, {true, follow});
    std::printf("  following the layout %-3s: %zu words, %.1f alarms per 1000 words\n", follow ? "on" : "off",
                counts.wordsTyped, PerThousand(counts.wordsMarked, counts.wordsTyped));
  }
  // Not following the layout, but the typing: how many words of the new
  // script each change of script took before the checker switched.
  auto engine = Engine(scratch, SpellingEngine::kEnglish);
  engine->SetFollowTyping(true);
  std::vector<int> lags;
  int lag = -1;  // words of the new script typed in the other language since the change; -1: in step
  bool lastCyrillic = false;
  const ReplayCounts counts = vuruzid::check::ReplayText(*engine, session, [&](const ReplayedWord& w) {
    const bool cyrillic = !w.text.empty() && (static_cast<unsigned char>(w.text[0]) & 0xFE) == 0xD0;
    if (cyrillic != lastCyrillic) {
      if (lag >= 0) lags.push_back(lag);  // a change before the last was followed
      lag = 0;
      lastCyrillic = cyrillic;
    }
    const bool inStep = (engine->language() == SpellingEngine::kRussian) == cyrillic;
    if (lag >= 0 && !inStep) ++lag;
    if (lag >= 0 && inStep) lags.push_back(lag), lag = -1;
  }, {true, false});
  std::ranges::sort(lags);
  std::printf("  following the typing (layout not followed): %zu words, %.1f alarms per 1000 words; words of the "
              "new language typed before the switch, after %zu changes: median %d, worst %d\n",
              counts.wordsTyped, PerThousand(counts.wordsMarked, counts.wordsTyped), lags.size(),
              lags.empty() ? 0 : lags[lags.size() / 2], lags.empty() ? 0 : lags.back());
  if (std::getenv("VURUZID_SHOW_MARKED")) {
    std::vector<std::pair<size_t, std::string>> marked;
    for (const auto& [word, times] : counts.markedWords) marked.emplace_back(times, word);
    std::ranges::sort(marked, std::greater<>());
    for (size_t i = 0; i < std::min<size_t>(25, marked.size()); ++i) std::printf(" %s(%zu)", marked[i].second.c_str(), marked[i].first);
    std::printf("\n");
  }
}

bool IsLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= 0x410 && c <= 0x44F) || c == 0x401 || c == 0x451;
}

// Text of one language with 5 % of its words misspelt (a letter dropped or two
// swapped, seeded), typed while the checker follows the typing: every switch
// to the other language is a false one.
void CountFalseSwitches(const std::vector<Text>& texts, const fs::path& scratch) {
  std::mt19937 random(2612);
  for (int language : {SpellingEngine::kEnglish, SpellingEngine::kRussian}) {
    size_t words = 0, switches = 0;
    for (const Text& text : texts) {
      if (text.language != language) continue;
      std::u32string letters;
      for (size_t pos = 0; pos < text.utf8.size();) letters += vuruzid::cp1251::DecodeUtf8(text.utf8, pos);
      std::string typo;
      for (size_t i = 0; i < letters.size(); ++i) {
        const char32_t c = letters[i];
        const bool wordStart = (i == 0 || !IsLetter(letters[i - 1])) && IsLetter(c);
        if (wordStart && random() % 20 == 0 && i + 2 < letters.size() && IsLetter(letters[i + 1]) &&
            IsLetter(letters[i + 2])) {
          const size_t at = i + random() % 2;
          if (random() % 2) std::swap(letters[at], letters[at + 1]);
          else letters.erase(at, 1);
        }
        vuruzid::cp1251::AppendUtf8(typo, letters[i]);
      }
      auto engine = Engine(scratch, language);
      engine->SetFollowTyping(true);
      const ReplayCounts counts = vuruzid::check::ReplayText(*engine, typo, [&](const ReplayedWord&) {
        if (engine->language() != language) {
          ++switches;
          engine->ActivateLanguage(language);  // the writer clicks lng back
        }
      });
      words += counts.wordsTyped;
    }
    std::printf("false switches following the typing, %s text with 5 %% typos: %zu in %zu words (%.2f per 1000)\n",
                language ? "Russian" : "English", switches, words, PerThousand(switches, words));
  }
}

// Shell commands typed into a terminal: every word the checker would judge
// there, were terminals not left alone.
void CountTerminalAlarms(const fs::path& scratch) {
  std::string commands;
  for (const char* script : {"/usr/bin/xdg-open", "/usr/bin/ldd", "/usr/bin/which", "/usr/bin/zgrep", "/usr/sbin/adduser"})
    if (fs::exists(script)) commands += ReadFile(script);
  if (commands.empty()) return;
  auto engine = Engine(scratch, SpellingEngine::kEnglish);
  const ReplayCounts counts = vuruzid::check::ReplayText(*engine, commands);
  std::printf("terminal session (shell scripts typed): checked %.1f alarms per 1000 words (%zu words); "
              "left alone (the default) 0: no key reaches the checker\n",
              PerThousand(counts.wordsMarked, counts.wordsTyped), counts.wordsTyped);
}

// Misspellings with a single one-word correction, "wrong->right" per line.
std::vector<std::string> Misspellings(const fs::path& path) {
  std::vector<std::string> words;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const size_t arrow = line.find("->");
    if (arrow == std::string::npos) continue;
    const std::string wrong = line.substr(0, arrow), right = line.substr(arrow + 2);
    if (right.empty() || right.find_first_of(", ") != std::string::npos) continue;
    if (!std::ranges::all_of(wrong, [](char c) { return (c >= 'a' && c <= 'z') || c == '\''; })) continue;
    words.push_back(wrong);
  }
  return words;
}

void CountCaughtMisspellings(const fs::path& path, const fs::path& scratch) {
  const auto words = Misspellings(path);
  if (words.empty()) {
    std::printf("misspellings: %s not found or empty (install the codespell package)\n", path.c_str());
    return;
  }
  auto engine = Engine(scratch, SpellingEngine::kEnglish);
  const Yardstick yardstick(SpellingEngine::kEnglish);
  size_t ours = 0, theirs = 0;
  for (const auto& word : words) {
    engine->ResetWord();
    ours += vuruzid::check::ReplayText(*engine, word + " ").wordsMarked > 0;
    theirs += !yardstick.Accepts(word);
  }
  std::printf("real misspellings caught (%zu one-word entries of %s):\n  checker %.2f %%, system library %.2f %%\n",
              words.size(), path.filename().c_str(), 100.0 * ours / words.size(), 100.0 * theirs / words.size());
}

// Slips of common words onto a name or an abbreviation the dictionary holds
// only capitalised or in capitals, typed in lower case, with what was meant.
struct CaseSlip {
  const char* typed;
  const char* meant;
};
constexpr CaseSlip kEnglishCaseSlips[] = {
    {"ot", "to"},    {"nad", "and"}, {"ni", "in"},   {"te", "the"},  {"th", "the"},   {"aws", "was"},  {"ihs", "his"},
    {"na", "an"},    {"rae", "are"}, {"ont", "not"}, {"btu", "but"}, {"noe", "one"},  {"wto", "two"},  {"tim", "time"},
    {"moe", "more"}, {"amy", "may"}, {"ned", "end"}, {"ike", "like"}, {"sid", "said"}, {"ito", "into"},
};
constexpr CaseSlip kRussianCaseSlips[] = {
    {"марат", "марта"}, {"ира", "мира"}, {"анд", "над"}, {"поти", "почти"}, {"весте", "вместе"},
};

void CountCaughtCaseSlips(const fs::path& scratch) {
  std::printf("real-word slips onto names and abbreviations (letter case check on / off):\n");
  for (const int language : {SpellingEngine::kEnglish, SpellingEngine::kRussian}) {
    const std::span<const CaseSlip> slips = language == SpellingEngine::kEnglish
                                                ? std::span<const CaseSlip>(kEnglishCaseSlips)
                                                : std::span<const CaseSlip>(kRussianCaseSlips);
    size_t caught[2] = {0, 0}, meantFirst = 0, meantListed = 0;
    std::string missed;
    for (const bool on : {true, false}) {
      auto engine = Engine(scratch, language, on);
      for (const CaseSlip& slip : slips) {
        engine->ResetWord();
        const bool marked = vuruzid::check::ReplayText(*engine, std::string(slip.typed) + " ").wordsMarked > 0;
        caught[on ? 0 : 1] += marked;
        if (on && !marked) missed += std::string(" ") + slip.typed;
        if (!on || !marked) continue;
        const auto corrections = engine->CorrectionsOf(vuruzid::cp1251::ToUpper(*vuruzid::cp1251::FromUtf8(slip.typed)));
        const std::string meant = vuruzid::cp1251::ToUpper(*vuruzid::cp1251::FromUtf8(slip.meant));
        meantFirst += !corrections.empty() && corrections[0] == meant;
        meantListed += std::ranges::find(corrections, meant) != corrections.end();
      }
    }
    std::printf("  %s: %zu / %zu caught (the word meant first among the corrections for %zu, listed for %zu), "
                "%zu / %zu with it off%s%s\n",
                language ? "Russian" : "English", caught[0], slips.size(), meantFirst, meantListed, caught[1],
                slips.size(), missed.empty() ? "" : "; missed:", missed.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Text> texts;
  fs::path misspellings = kMisspellings;
  bool showDisagreements = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--disagreements") showDisagreements = true;
    if (i + 1 == argc) break;
    if (option == "--misspellings")
      misspellings = argv[i + 1];
    else if (option == "--letter-case")
      caseChecking = std::string_view(argv[i + 1]) != "off";
    else if (option == "--en" || option == "--ru")
      texts.push_back({fs::path(argv[i + 1]).filename().string(), option == "--ru", ReadFile(argv[i + 1])});
    else
      continue;
    ++i;
  }
  if (texts.empty()) texts = InstalledTexts();

  // No user words: an empty scratch folder stands for the program's data.
  const fs::path scratch = fs::temp_directory_path() / "vuruzid-accuracy-bench";
  fs::create_directories(scratch);

  std::printf("letter case check: %s\n", caseChecking ? "on" : "off");
  CompareOnTexts(texts, scratch, showDisagreements);
  CompareFollowingTheLayout(texts, scratch);
  CountFalseSwitches(texts, scratch);
  CountTerminalAlarms(scratch);
  TimePerKey(texts, scratch);
  CountCaughtMisspellings(misspellings, scratch);
  CountCaughtCaseSlips(scratch);
  fs::remove_all(scratch);
}
