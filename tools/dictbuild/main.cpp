// vuruzid-dictbuild: makes a language library from a word list, recodes UTF-8
// affix and dictionary files to Windows-1251 before they are expanded, and
// writes the word frequency side file of a library.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/LanguageLibrary.h"
#include "engine/TextLines.h"
#include "engine/WordFrequencies.h"
#include "engine/WordList.h"
#include "platform/AtomicFile.h"
#include "tools/dictbuild/CaseForms.h"
#include "tools/dictbuild/FrequencySources.h"
#include "tools/dictbuild/HunspellCp1251.h"
#include "tools/dictbuild/MergedPrior.h"
#include "tools/dictbuild/Normalise.h"

namespace {

using vuruzid::dictbuild::SourceEncoding;
namespace fs = std::filesystem;

constexpr int kFailure = 1;
constexpr int kUsageError = 2;

int Usage(FILE* to = stderr, int status = kUsageError) {
  std::fputs(
      "usage: vuruzid-dictbuild [--encoding utf-8|cp1251] WORD-LIST LIBRARY\n"
      "       vuruzid-dictbuild --recode-to-cp1251 AFFIX-IN DICTIONARY-IN AFFIX-OUT DICTIONARY-OUT\n"
      "       vuruzid-dictbuild --frequencies LIBRARY OUTPUT --model FILE.lm [--levels DIR]\n"
      "                 [--words-in-use LIST] [--ranked LIST] [--dictionary-text FILE] [--prose PATH]...\n"
      "                 [--stems DICTIONARY EXPANSION]\n"
      "       vuruzid-dictbuild --case-forms [--encoding utf-8|cp1251] WORD-LIST LIBRARY OUTPUT\n"
      "\n"
      "The first form reads a word list (one word per line, UTF-8 unless told otherwise),\n"
      "keeps the words made only of letters A-Z and А-Я, \"-\" and apostrophes, upper-cases\n"
      "them and writes them sorted, without duplicates, as a language library.\n"
      "The second form recodes a UTF-8 affix file and its dictionary to Windows-1251.\n"
      "The third writes the word frequency file of a library: the unigram counts of a\n"
      "language model (\"COUNT WORD\" lines of its \\1-grams: section) for the words the\n"
      "library holds, and with --levels, for the words the model lacks, a smaller count\n"
      "from the commonest size level of DIR/english-words.NN and american-words.NN.\n"
      "The fourth writes the letter case file of a library made from WORD-LIST: which of\n"
      "its words the list spells only capitalised or only in capitals.\n",
      to);
  return status;
}

void Fail(const std::string& message) { std::fprintf(stderr, "vuruzid-dictbuild: %s\n", message.c_str()); }

std::optional<std::vector<std::string>> ReadLines(const fs::path& path) {
  auto lines = vuruzid::ReadTextLines(path);
  if (!lines) Fail("cannot read " + path.string());
  return lines;
}

// The expander reads lines ended by LF alone.
bool WriteLf(const fs::path& path, const std::vector<std::string>& lines) {
  if (vuruzid::platform::ReplaceFileAtomically(path, vuruzid::JoinLines(lines, "\n"), vuruzid::platform::NewFileAccess::Shared))
    return true;
  Fail("cannot write " + path.string());
  return false;
}

int BuildLibrary(SourceEncoding encoding, const fs::path& wordList, const fs::path& library) {
  auto lines = ReadLines(wordList);
  if (!lines) return kFailure;
  auto [words, counts] = vuruzid::dictbuild::NormaliseWordList(*lines, encoding);
  lines.reset();
  std::printf("%s: %zu words from %zu lines (dropped: %zu with other characters, %zu longer than %zu bytes, "
              "%zu duplicates; %zu blank lines)\n",
              library.filename().string().c_str(), counts.words, counts.lines, counts.foreign, counts.tooLong,
              vuruzid::dictbuild::kMaxWordBytes, counts.duplicates, counts.empty);
  // A library without words is never what a build wants: it means the list was wrong.
  if (words.empty()) {
    Fail("no words left in " + wordList.string() + "; " + library.string() + " not written");
    return kFailure;
  }
  if (!vuruzid::WriteLanguageLibrary(library, vuruzid::dictbuild::LibraryStrings(std::move(words)))) {
    Fail("cannot write " + library.string());
    return kFailure;
  }
  return 0;
}

int RecodeToCp1251(const fs::path& affixIn, const fs::path& dictionaryIn, const fs::path& affixOut,
                   const fs::path& dictionaryOut) {
  const auto affixLines = ReadLines(affixIn);
  const auto dictionaryLines = ReadLines(dictionaryIn);
  if (!affixLines || !dictionaryLines) return kFailure;
  const auto affix = vuruzid::dictbuild::AffixFileToCp1251(*affixLines);
  if (!affix.error.empty()) {
    Fail(affixIn.string() + ": " + affix.error);
    return kFailure;
  }
  const auto dictionary = vuruzid::dictbuild::DictionaryFileToCp1251(*dictionaryLines);
  std::printf("%s: %zu lines recoded, %zu entries left out (characters Windows-1251 lacks)\n",
              dictionaryIn.filename().string().c_str(), dictionary.lines.size(), dictionary.dropped);
  return WriteLf(affixOut, affix.lines) && WriteLf(dictionaryOut, dictionary.lines) ? 0 : kFailure;
}

// The words of the library at `path`, for lookups; nothing when it cannot be read.
std::optional<vuruzid::WordList> LibraryWords(const fs::path& path) {
  std::shared_ptr<const vuruzid::LanguageLibrary> library = vuruzid::LanguageLibrary::Open(path);
  const auto count = library ? vuruzid::ParseWholeNumber(library->LoadString(0)) : std::nullopt;
  if (!count || *count <= 0 || static_cast<uint64_t>(*count) >= library->StringCount()) {
    Fail("cannot read the language library " + path.string());
    return std::nullopt;
  }
  vuruzid::WordList words;
  words.AppendLibrary(std::move(library), static_cast<uint32_t>(*count));
  return words;
}

// The side file lists only words the library holds: a count for a word the
// checker does not know could only mislead.
template <typename Map>
void KeepLibraryWords(Map& byWord, const vuruzid::WordList& library) {
  std::erase_if(byWord, [&](const auto& entry) { return !library.Contains(entry.first); });
}

int BuildMergedFrequencies(const fs::path& libraryPath, const fs::path& output, const vuruzid::WordList& library,
                           const vuruzid::dictbuild::WordCounts& modelCounts,
                           const vuruzid::dictbuild::WordCases& modelCases,
                           const vuruzid::dictbuild::PriorSourcePaths& sources) {
  std::string error;
  auto merged = vuruzid::dictbuild::MergePrior(modelCounts, modelCases, sources, library, &error);
  if (!merged) {
    Fail(error);
    return kFailure;
  }
  std::fputs(merged->report.c_str(), stdout);
  const size_t written = merged->entries.size();
  if (!vuruzid::WriteWordFrequencies(output, std::move(merged->entries), library, &error)) {
    Fail(error);
    return kFailure;
  }
  std::printf("%s: %zu entries written, for %zu of the %zu words of %s (counts per billion words)\n",
              output.filename().string().c_str(), written, written, library.size(),
              libraryPath.filename().string().c_str());
  return 0;
}

int BuildFrequencies(const fs::path& libraryPath, const fs::path& output, const fs::path& model,
                     const std::optional<fs::path>& levelFolder, const vuruzid::dictbuild::PriorSourcePaths& sources) {
  const auto library = LibraryWords(libraryPath);
  const auto modelLines = library ? ReadLines(model) : std::nullopt;
  if (!modelLines) return kFailure;
  std::string error;
  vuruzid::dictbuild::WordCases cases;
  auto counts = vuruzid::dictbuild::ReadModelUnigrams(*modelLines, &error, &cases);
  if (!counts) {
    Fail(model.string() + ": " + error);
    return kFailure;
  }
  if (sources.any()) return BuildMergedFrequencies(libraryPath, output, *library, *counts, cases, sources);
  KeepLibraryWords(*counts, *library);
  // A model none of whose words the library holds is the wrong model.
  if (counts->empty()) {
    Fail("no word of " + libraryPath.string() + " has a count in " + model.string() + "; " + output.string() +
         " not written");
    return kFailure;
  }
  const size_t fromModel = counts->size();
  if (levelFolder) {
    auto levels = vuruzid::dictbuild::ReadWordListLevels(*levelFolder, &error);
    if (!levels) {
      Fail(error);
      return kFailure;
    }
    KeepLibraryWords(*levels, *library);
    auto combined = vuruzid::dictbuild::CombineWithLevels(std::move(*counts), *levels);
    std::fputs(vuruzid::dictbuild::LevelTableText(combined).c_str(), stdout);
    counts = std::move(combined.counts);
  }

  std::vector<vuruzid::WordFrequencies::Entry> entries;
  entries.reserve(counts->size());
  // A word the model saw only capitalised is a name.
  for (auto& [word, count] : *counts) {
    const auto seen = cases.find(word);
    entries.push_back({word, count, seen != cases.end() && seen->second == vuruzid::dictbuild::kSeenCapitalised});
  }
  const size_t written = entries.size();
  if (!vuruzid::WriteWordFrequencies(output, std::move(entries), *library, &error)) {
    Fail(error);
    return kFailure;
  }
  std::printf("%s: %zu entries written, for %zu of the %zu words of %s (%zu counted by %s",
              output.filename().string().c_str(), written, written, library->size(),
              libraryPath.filename().string().c_str(), fromModel, model.filename().string().c_str());
  if (levelFolder) std::printf(", %zu by their word list level", written - fromModel);
  std::puts(")");
  return 0;
}

int BuildCaseForms(SourceEncoding encoding, const fs::path& wordList, const fs::path& libraryPath,
                   const fs::path& output) {
  const auto library = LibraryWords(libraryPath);
  const auto lines = library ? ReadLines(wordList) : std::nullopt;
  if (!lines) return kFailure;
  const auto [cases, counts] = vuruzid::dictbuild::CasesOfLibraryWords(*lines, encoding, *library);
  // Positions only mean something for the library the list made.
  if (counts.notInLibrary > 0 || counts.withoutSpelling > 0) {
    Fail(wordList.string() + " is not the list " + libraryPath.string() + " was made from (" +
         std::to_string(counts.notInLibrary) + " of its words are not in the library, " +
         std::to_string(counts.withoutSpelling) + " library words are not in it); " + output.string() + " not written");
    return kFailure;
  }
  std::string error;
  if (!vuruzid::WriteCaseForms(output, vuruzid::CaseForms::FromCases(cases), &error)) {
    Fail(error);
    return kFailure;
  }
  std::printf("%s: %zu words, %zu only capitalised, %zu only in capitals (from %zu spellings)\n",
              output.filename().string().c_str(), cases.size(), counts.capitalised, counts.capitals, counts.forms);
  return 0;
}

std::optional<SourceEncoding> ParseEncoding(std::string_view name) {
  if (name == "utf-8" || name == "UTF-8" || name == "utf8") return SourceEncoding::Utf8;
  if (name == "cp1251" || name == "CP1251" || name == "windows-1251") return SourceEncoding::Cp1251;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--help") return Usage(stdout, 0);
  if (args.size() == 1 && args[0] == "--version") {
    std::puts("vuruzid-dictbuild (QOR Vuruzid) " VURUZID_VERSION);
    return 0;
  }
  if (!args.empty() && args[0] == "--recode-to-cp1251") {
    if (args.size() != 5) return Usage();
    return RecodeToCp1251(args[1], args[2], args[3], args[4]);
  }

  if (!args.empty() && args[0] == "--frequencies") {
    std::vector<std::string_view> files;
    std::optional<fs::path> model, levels;
    vuruzid::dictbuild::PriorSourcePaths sources;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--model" && i + 1 < args.size())
        model = args[++i];
      else if (args[i] == "--words-in-use" && i + 1 < args.size())
        sources.wordsInUse = args[++i];
      else if (args[i] == "--ranked" && i + 1 < args.size())
        sources.rankedList = args[++i];
      else if (args[i] == "--dictionary-text" && i + 1 < args.size())
        sources.dictionaryText = args[++i];
      else if (args[i] == "--prose" && i + 1 < args.size())
        sources.prose.emplace_back(args[++i]);
      else if (args[i] == "--stems" && i + 2 < args.size())
        sources.stemDictionary = args[++i], sources.stemExpansion = args[++i];
      else if (args[i] == "--levels" && i + 1 < args.size())
        levels = args[++i];
      else if (args[i].starts_with("--"))
        return Usage();
      else
        files.push_back(args[i]);
    }
    // The merged counts are on a scale of their own: the level counts do not mix with them.
    if (files.size() != 2 || !model || (levels && sources.any())) return Usage();
    return BuildFrequencies(files[0], files[1], *model, levels, sources);
  }

  const bool caseForms = !args.empty() && args[0] == "--case-forms";
  if (caseForms) args.erase(args.begin());
  SourceEncoding encoding = SourceEncoding::Utf8;
  if (!args.empty() && (args[0] == "--encoding" || args[0].starts_with("--encoding="))) {
    std::string_view name;
    if (args[0] == "--encoding") {
      if (args.size() < 2) return Usage();
      name = args[1];
      args.erase(args.begin(), args.begin() + 2);
    } else {
      name = args[0].substr(std::string_view("--encoding=").size());
      args.erase(args.begin());
    }
    const auto parsed = ParseEncoding(name);
    if (!parsed) {
      Fail("unknown encoding \"" + std::string(name) + "\" (use utf-8 or cp1251)");
      return kUsageError;
    }
    encoding = *parsed;
  }
  if (caseForms) return args.size() == 3 ? BuildCaseForms(encoding, args[0], args[1], args[2]) : Usage();
  if (args.size() != 2) return Usage();
  return BuildLibrary(encoding, args[0], args[1]);
}
