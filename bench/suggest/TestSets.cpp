#include "TestSets.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <unordered_map>

#include "../accuracy/MessageCatalogue.h"
#include "engine/Corrector.h"
#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"

namespace vuruzid::bench {
namespace {

namespace fs = std::filesystem;

const fs::path kLicences = "/usr/share/common-licenses";
const fs::path kCatalogues = "/usr/share/locale/ru/LC_MESSAGES";
// Licence texts every Debian has (base-files), each once (GPL, LGPL and GFDL
// are links to these).
constexpr const char* kLicenceNames[] = {"Apache-2.0", "Artistic", "BSD",      "CC0-1.0", "GFDL-1.2",
                                         "GFDL-1.3",   "GPL-1",    "GPL-2",    "GPL-3",   "LGPL-2",
                                         "LGPL-2.1",   "LGPL-3",   "MPL-1.1",  "MPL-2.0"};
// Catalogues of packages a Debian 12 desktop with this project's build
// dependencies has; those missing are left out and the header says which were read.
constexpr const char* kCatalogueNames[] = {
    "Linux-PAM",   "adduser",       "apt",  "bash",   "binutils",        "coreutils", "diffutils", "dpkg",
    "dpkg-dev",    "findutils",     "gettext-runtime", "gettext-tools", "git", "glib20", "gnupg2", "grep",
    "gtk30",       "libapt-pkg6.0", "libc", "make",   "man-db",          "psmisc",    "sed",       "shadow",
    "systemd"};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool IsLatin(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsCyrillic(char32_t c) { return (c >= 0x410 && c <= 0x44F) || c == 0x401 || c == 0x451; }

// Characters that join letters into something other than a plain word:
// digits, underscores (identifiers, menu mnemonics), hyphens, apostrophes,
// and letters of other alphabets.
bool JoinsLetters(char32_t c) {
  if (c < 0x80) return (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '\'' || c == '`' || IsLatin(c);
  if (c == 0x2019 || c == 0xAD) return true;  // ’ and the soft hyphen
  return c >= 0xC0 && !(c >= 0x2000 && c <= 0x2BFF) && !(c >= 0x3000 && c <= 0x303F);
}

// The plain words of `text` in one alphabet, in text order: runs of letters
// of that alphabet, none joined to anything else.
std::vector<std::string> PlainWords(std::string_view text, bool cyrillic) {
  std::vector<std::string> words;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    char32_t c = cp1251::DecodeUtf8(text, pos);
    if (!JoinsLetters(c)) continue;
    bool plain = true;
    size_t end = pos;
    while (true) {
      plain = plain && (cyrillic ? IsCyrillic(c) : IsLatin(c));
      end = pos;
      if (pos >= text.size()) break;
      size_t next = pos;
      c = cp1251::DecodeUtf8(text, next);
      if (!JoinsLetters(c)) break;
      pos = next;
    }
    if (plain) words.emplace_back(text.substr(start, end - start));
  }
  return words;
}

unsigned char LowerCp1251(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF)) return c + 32;
  return c;
}

void AddNamed(std::string* used, const std::string& name) {
  if (used) *used += (used->empty() ? "" : " ") + name;
}

}  // namespace

TestSet MisspellingSet(const fs::path& path, size_t perHalf, uint32_t seed, const Judges& judges) {
  TestSet set{"codespell", SpellingEngine::kEnglish, "", {}, {}};
  std::ifstream in(path);
  std::vector<TestWord> kept;
  size_t single = 0;
  const auto letters = [](std::string_view w) {
    return !w.empty() && std::ranges::all_of(w, [](char c) { return IsLatin(static_cast<unsigned char>(c)); });
  };
  for (std::string line; std::getline(in, line);) {
    const size_t arrow = line.find("->");
    if (arrow == std::string::npos) continue;
    const std::string typo = line.substr(0, arrow), right = line.substr(arrow + 2);
    // "a, b," lists several corrections; "a, reason" says why it is disabled.
    if (!letters(typo) || !letters(right)) continue;
    ++single;
    TestWord word{cp1251::ToUpper(typo), typo, cp1251::ToUpper(right), {}, {}};
    if (judges.oursLists(word.intended) && !judges.oursLists(word.typed)) kept.push_back(std::move(word));
  }
  std::mt19937 random(seed);
  for (size_t i = kept.size(); i > 1; --i) std::swap(kept[i - 1], kept[random() % i]);
  for (size_t i = 0; i < kept.size() && set.test.size() < perHalf; ++i) (i % 2 ? set.test : set.dev).push_back(kept[i]);

  size_t far = 0, taken = set.dev.size() + set.test.size();
  for (const auto* half : {&set.dev, &set.test})
    for (const TestWord& w : *half) far += EditDistance(w.typed, w.intended) > 2;
  set.source = path.filename().string() + ": " + std::to_string(single) + " entries with one plain-letter correction, " +
               std::to_string(kept.size()) + " with the correction listed and the typo not; of the " +
               std::to_string(taken) + " taken, " + std::to_string(far) + " are more than 2 edits from their word";
  return set;
}

TestSet ByEarSet(const fs::path& model, size_t commonest, size_t perHalf, uint32_t seed, const Judges& judges) {
  TestSet set{"ru by ear", SpellingEngine::kRussian, "", {}, {}};
  // The model's "COUNT WORD" lines between \1-grams: and the next section.
  std::ifstream in(model);
  std::vector<std::pair<uint64_t, std::string>> counted;  // lower-case Windows-1251, ё kept
  bool unigrams = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("\\")) {
      if (unigrams) break;
      unigrams = line == "\\1-grams:";
      continue;
    }
    const size_t space = line.find(' ');
    if (!unigrams || space == std::string::npos) continue;
    const auto word = cp1251::FromUtf8(line.substr(space + 1));
    if (!word || word->size() < 4 || !std::ranges::all_of(*word, [](char c) {
          const auto u = static_cast<unsigned char>(c);
          return u >= 0xE0 || u == 0xB8;  // а-я, ё: lower-case Russian only
        }))
      continue;
    counted.emplace_back(std::strtoull(line.c_str(), nullptr, 10), *word);
  }
  std::ranges::sort(counted, std::greater<>());
  std::vector<std::string> common;
  for (const auto& [count, word] : counted) {
    if (common.size() >= commonest) break;
    // The dictionaries spell most words with е for ё: either spelling will do.
    std::string withE = word;
    std::replace(withE.begin(), withE.end(), '\xB8', '\xE5');
    const std::string listed = cp1251::ToUpper(withE);
    if (judges.oursLists(listed) && (judges.hunspellAccepts(cp1251::ToUtf8(word)) || judges.hunspellAccepts(cp1251::ToUtf8(withE))))
      common.push_back(word);
  }
  std::mt19937 random(seed);
  auto below = [&](size_t n) { return static_cast<size_t>(random() % n); };
  // A kind drawn by the mix, then a common word that can be changed so, or
  // (for changing a word again) a variant of the kind drawn among the word's own.
  auto drawKind = [&] {
    int pick = static_cast<int>(below(100)), kind = 0;
    while (pick >= kByEarMix[kind]) pick -= kByEarMix[kind++];
    return static_cast<ByEar>(kind);
  };
  auto variantOf = [&](const std::string& word, ByEar kind) -> std::optional<ByEarVariant> {
    std::vector<ByEarVariant> ofKind;
    for (auto& v : ByEarVariants(word))
      if (v.kind == kind) ofKind.push_back(std::move(v));
    if (ofKind.empty()) return std::nullopt;
    return ofKind[below(ofKind.size())];
  };
  size_t made = 0;
  for (size_t draws = 0; set.test.size() < perHalf && !common.empty() && draws < 100 * (perHalf + 1); ++draws) {
    const ByEar kind = drawKind();
    std::optional<ByEarVariant> first;
    const std::string* word = nullptr;
    for (int tries = 0; tries < 1000 && !first; ++tries) first = variantOf(*(word = &common[below(common.size())]), kind);
    if (!first) continue;
    std::string intended = *word;
    std::replace(intended.begin(), intended.end(), '\xB8', '\xE5');
    TestWord typo{"", "", cp1251::ToUpper(intended), {}, {first->kind}};
    std::string typed = first->typed;
    if (below(4) == 0)
      if (auto second = variantOf(typed, drawKind())) typed = second->typed, typo.byEar.push_back(second->kind);
    std::replace(typed.begin(), typed.end(), '\xB8', '\xE5');  // ё typed as е
    typo.typed = cp1251::ToUpper(typed);
    typo.callerTyped = cp1251::ToUtf8(typed);
    if (typo.typed == typo.intended || judges.oursLists(typo.typed) || judges.hunspellAccepts(typo.callerTyped)) continue;
    (made++ % 2 ? set.test : set.dev).push_back(std::move(typo));
  }
  set.source = model.filename().string() + ": the " + std::to_string(common.size()) +
               " commonest lower-case forms of 4+ letters both libraries know, drawn evenly among those a kind "
               "drawn by the mix fits; one change by ear each, a quarter a second (when the word has a place for "
               "it); seed " + std::to_string(seed);
  return set;
}

TextWords::TextWords(int language, const std::vector<std::string>& utf8Texts, const Judges& judges)
    : language_(language) {
  std::unordered_map<std::string, std::optional<uint32_t>> judged;  // by the token as written
  for (const std::string& text : utf8Texts) {
    for (std::string& token : PlainWords(text, language == SpellingEngine::kRussian)) {
      auto [it, fresh] = judged.try_emplace(std::move(token));
      if (fresh) {
        const auto inPage = cp1251::FromUtf8(it->first);
        if (!inPage) continue;
        const std::string listed = cp1251::DictionarySpelling(*inPage);
        if (!judges.oursLists(listed)) continue;
        // The casings the writer's own allows: "the" stays lower; "The" may
        // be a sentence's start; "THE" may be shouting.
        const bool anyLower = std::ranges::any_of(*inPage, [](char c) { return LowerCp1251(c) == static_cast<unsigned char>(c); });
        const bool restLower = std::all_of(inPage->begin() + 1, inPage->end(), [](char c) {
          return LowerCp1251(c) == static_cast<unsigned char>(c);
        });
        const bool firstLower = LowerCp1251((*inPage)[0]) == static_cast<unsigned char>((*inPage)[0]);
        std::vector<Casing> allowed{Casing::Lower};
        if (!firstLower && restLower) allowed.push_back(Casing::Capital);
        if (!anyLower) allowed = {Casing::Lower, Casing::Capital, Casing::Upper};
        if (firstLower && !restLower) allowed.clear();  // "iPhone": no casing of ours
        if (!firstLower && !restLower && anyLower) allowed.clear();
        for (Casing casing : allowed)
          if (judges.hunspellAccepts(CallerSpelling(listed, casing))) {
            it->second = static_cast<uint32_t>(words_.size());
            words_.push_back({listed, casing});
            break;
          }
      }
      if (it->second) drawable_.push_back(*it->second);
    }
  }
}

std::string TextWords::CallerSpelling(std::string_view listed, Casing casing) {
  std::string text(listed);
  for (size_t i = 0; i < text.size(); ++i)
    if (casing == Casing::Lower || (casing == Casing::Capital && i > 0))
      text[i] = static_cast<char>(LowerCp1251(static_cast<unsigned char>(text[i])));
  return cp1251::ToUtf8(text);
}

TestSet TextWords::TypoSet(std::string name, int slips, size_t minLetters, size_t perHalf, uint32_t seed,
                           const Judges& judges) const {
  TestSet set{std::move(name), language_, "", {}, {}};
  const bool russian = language_ == SpellingEngine::kRussian;
  TypoMaker maker(russian ? KeyLayout::Russian : KeyLayout::English, seed);
  size_t made = 0;
  // Gives up on words that cannot be had (no word long enough) after many draws.
  for (size_t draws = 0; set.test.size() < perHalf && !drawable_.empty() && draws < 1000 * (perHalf + 1); ++draws) {
    const Word& word = words_[drawable_[maker.Below(drawable_.size())]];
    if (word.listed.size() < minLetters) continue;
    for (int attempt = 0; attempt < 20; ++attempt) {
      TestWord typo{word.listed, "", word.listed, {}, {}};
      bool complete = true;
      for (int s = 0; s < slips && complete; ++s) {
        const Slip slip = maker.DrawSlip();
        auto next = maker.Make(typo.typed, slip);
        complete = next.has_value();
        if (next) typo.typed = std::move(*next), typo.slips.push_back(slip);
      }
      if (!complete || EditDistance(typo.typed, word.listed) != slips) continue;
      typo.callerTyped = CallerSpelling(typo.typed, word.casing);
      if (judges.oursLists(typo.typed) || judges.hunspellAccepts(typo.callerTyped)) continue;
      (made++ % 2 ? set.test : set.dev).push_back(std::move(typo));
      break;
    }
  }
  set.source = std::to_string(Tokens()) + " tokens (" + std::to_string(Distinct()) +
               " distinct words both libraries know), drawn by frequency; words of " + std::to_string(minLetters) +
               "+ letters, " + std::to_string(slips) + (slips == 1 ? " slip" : " slips") + " each, seed " +
               std::to_string(seed);
  return set;
}

std::vector<std::string> EnglishTexts(std::string* used) {
  std::vector<std::string> texts;
  for (const char* name : kLicenceNames)
    if (const fs::path p = kLicences / name; fs::is_regular_file(p)) {
      texts.push_back(ReadFile(p));
      AddNamed(used, name);
    }
  if (used) *used = "licences (" + *used + "); catalogue originals (";
  std::string catalogues;
  for (const char* name : kCatalogueNames)
    if (auto text = CatalogueOriginals(kCatalogues / (std::string(name) + ".mo"))) {
      texts.push_back(std::move(*text));
      AddNamed(&catalogues, name);
    }
  if (used) *used += catalogues + ")";
  return texts;
}

std::vector<std::string> RussianTexts(std::string* used) {
  std::vector<std::string> texts;
  std::string catalogues;
  for (const char* name : kCatalogueNames)
    if (auto text = CatalogueTranslations(kCatalogues / (std::string(name) + ".mo"))) {
      texts.push_back(std::move(*text));
      AddNamed(&catalogues, name);
    }
  if (used) *used = "catalogue translations (" + catalogues + ")";
  return texts;
}

}  // namespace vuruzid::bench
