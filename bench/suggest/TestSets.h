#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ByEar.h"
#include "TypoMaker.h"

namespace vuruzid::bench {

// One misspelt word and the word meant.
struct TestWord {
  std::string typed;        // upper case, Windows-1251: what our corrector is given
  std::string callerTyped;  // UTF-8, in the case the writer used: what libhunspell is given
  std::string intended;     // upper case, Windows-1251, Ё as Е
  std::vector<Slip> slips;  // how the typo was made; empty for collected misspellings
  std::vector<ByEar> byEar; // how a misspelling by ear was made
};

// A set split once into a half for tuning and a half for reporting.
struct TestSet {
  std::string name;
  int language = 0;
  std::string source;  // where the words come from, for the report's header
  std::vector<TestWord> dev, test;
};

// What both libraries hold: our word list (upper case, Windows-1251) and
// libhunspell's verdict on a word as its users write it (UTF-8).
struct Judges {
  std::function<bool(std::string_view)> oursLists;
  std::function<bool(const std::string&)> hunspellAccepts;
};

// codespell's list of common misspellings: entries with one plain-letter
// correction that our list holds, whose misspelling it does not.
TestSet MisspellingSet(const std::filesystem::path& path, size_t perHalf, uint32_t seed, const Judges& judges);

// Russian misspelt by ear: words of the language model's counts (the commonest
// `commonest` lower-case forms of 4+ letters both libraries know), each
// changed as it is heard: a kind drawn by kByEarMix, then a word drawn evenly
// among those it fits (ByEarVariants), a quarter changed again; a misspelling
// either library lists is made again. The writer types е for ё, as most do.
TestSet ByEarSet(const std::filesystem::path& model, size_t commonest, size_t perHalf, uint32_t seed,
                 const Judges& judges);

// Words of real text both libraries know, in the case their writers used.
class TextWords {
 public:
  TextWords(int language, const std::vector<std::string>& utf8Texts, const Judges& judges);

  size_t Tokens() const { return drawable_.size(); }
  size_t Distinct() const { return words_.size(); }
  // Word tokens drawn as often as the texts use them, each given `slips`
  // random slips; a typo that either library lists, or that sits further
  // than `slips` edits from its word, is made again.
  TestSet TypoSet(std::string name, int slips, size_t minLetters, size_t perHalf, uint32_t seed,
                  const Judges& judges) const;

 private:
  enum class Casing { Lower, Capital, Upper };
  struct Word {
    std::string listed;  // upper case, Windows-1251
    Casing casing;
  };
  static std::string CallerSpelling(std::string_view listed, Casing casing);

  int language_;
  std::vector<Word> words_;
  std::vector<uint32_t> drawable_;  // one entry per token, into words_
};

// The texts Debian installs that the sets are drawn from: the licence texts
// and the English originals of the message catalogues for English, the
// catalogues' Russian translations for Russian. `used` names them.
std::vector<std::string> EnglishTexts(std::string* used);
std::vector<std::string> RussianTexts(std::string* used);

}  // namespace vuruzid::bench
