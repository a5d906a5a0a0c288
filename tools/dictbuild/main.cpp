// vuruzid-dictbuild: makes a language library from a word list, and recodes
// UTF-8 affix and dictionary files to Windows-1251 before they are expanded.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/LanguageLibrary.h"
#include "engine/TextLines.h"
#include "platform/AtomicFile.h"
#include "tools/dictbuild/HunspellCp1251.h"
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
      "\n"
      "The first form reads a word list (one word per line, UTF-8 unless told otherwise),\n"
      "keeps the words made only of letters A-Z and А-Я, \"-\" and apostrophes, upper-cases\n"
      "them and writes them sorted, without duplicates, as a language library.\n"
      "The second form recodes a UTF-8 affix file and its dictionary to Windows-1251.\n",
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
  if (args.size() != 2) return Usage();
  return BuildLibrary(encoding, args[0], args[1]);
}
