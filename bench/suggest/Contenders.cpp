#include "Contenders.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "engine/Cp1251.h"

namespace vuruzid::bench {
namespace {

long StatusKiB(const char* field) {
  long value = 0;
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
      if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
        value = std::atol(line + length + 1);
        break;
      }
    std::fclose(f);
  }
  return value;
}

}  // namespace

long ResidentKiB() { return StatusKiB("VmRSS"); }
long PeakResidentKiB() { return StatusKiB("VmHWM"); }

KeyLayout LayoutOf(int language) {
  return language == SpellingEngine::kRussian ? KeyLayout::Russian : KeyLayout::English;
}

OurCorrector::OurCorrector(const std::filesystem::path& programFolder, int language, const CorrectionWeights* weights)
    : library_(programFolder / SpellingEngine::LibraryFileName(language)), layout_(LayoutOf(language)) {
  // No user words: an empty scratch folder stands for the program's data.
  static int made = 0;
  scratch_ = std::filesystem::temp_directory_path() /
             ("vuruzid-suggest-bench-" + std::to_string(getpid()) + "-" + std::to_string(made++));
  std::filesystem::create_directories(scratch_);
  engine_ = std::make_unique<SpellingEngine>(EngineFiles{scratch_, {programFolder}}, [](const std::string& m) {
    std::fprintf(stderr, "%s\n", m.c_str());
  });
  engine_->ActivateLanguage(language);
  corrector_ = std::make_unique<Corrector>(layout_, WordFrequencies::SideFileOf(library_),
                                           weights ? *weights : DefaultCorrectionWeights(layout_));
}

OurCorrector::~OurCorrector() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch_, ignored);
}

std::vector<std::string> OurCorrector::Suggest(std::string_view typed, LetterCase typedCase) const {
  return corrector_->Suggest(typed, engine_->wordList(), {}, 5, typedCase);
}

Yardstick::Yardstick(const std::filesystem::path& dictionaryFolder, int language) {
  const std::string base = (dictionaryFolder / (language == SpellingEngine::kRussian ? "ru_RU" : "en_US")).string();
  hunspell_ = std::make_unique<Hunspell>((base + ".aff").c_str(), (base + ".dic").c_str());
}

std::string Yardstick::AsListed(const std::string& utf8Suggestion) {
  const auto text = cp1251::FromUtf8(utf8Suggestion);
  return text ? cp1251::DictionarySpelling(*text) : std::string();
}

}  // namespace vuruzid::bench
