#pragma once

#include <hunspell.hxx>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Corrector.h"
#include "engine/LetterCase.h"
#include "engine/SpellingEngine.h"

namespace vuruzid::bench {

// Resident memory of this process (VmRSS) and its peak so far (VmHWM), in KiB.
long ResidentKiB();
long PeakResidentKiB();

KeyLayout LayoutOf(int language);

// Our corrector over the language's word list, as the program sets it up: the
// list loaded by a SpellingEngine from the program folder, the frequencies
// from the side file beside the library, the language's default weights.
class OurCorrector {
 public:
  OurCorrector(const std::filesystem::path& programFolder, int language, const CorrectionWeights* weights = nullptr);
  ~OurCorrector();

  // The best five corrections, upper case, Windows-1251.
  // `typedCase`: how the writer typed the word (names rank lower for a word in lower case).
  std::vector<std::string> Suggest(std::string_view typed, LetterCase typedCase = LetterCase::Lower) const;
  bool Lists(std::string_view word) const { return engine_->wordList().Contains(word); }
  const WordList& List() const { return engine_->wordList(); }
  const std::filesystem::path& LibraryPath() const { return library_; }
  const Corrector& TheCorrector() const { return *corrector_; }
  // The typed word read key by key in the other language's layout, when that is a word the checker offers.
  std::string OtherLayoutSpelling(std::string_view typed) { return engine_->OtherLayoutSpelling(typed); }

 private:
  std::filesystem::path scratch_, library_;
  KeyLayout layout_;
  std::unique_ptr<SpellingEngine> engine_;
  std::unique_ptr<Corrector> corrector_;
};

// libhunspell with the system's dictionary of the language, called as its
// users call it: UTF-8 words (both dictionaries are SET UTF-8) in the case
// they were typed.
class Yardstick {
 public:
  Yardstick(const std::filesystem::path& dictionaryFolder, int language);

  bool Accepts(const std::string& utf8Word) { return hunspell_->spell(utf8Word); }
  // Its suggestions, straight from the library.
  std::vector<std::string> Suggest(const std::string& utf8Word) { return hunspell_->suggest(utf8Word); }
  // A suggestion as our words are spelled (upper case, Ё as Е); empty when
  // the code page cannot hold it.
  static std::string AsListed(const std::string& utf8Suggestion);

 private:
  std::unique_ptr<Hunspell> hunspell_;
};

}  // namespace vuruzid::bench
