#include "ByEar.h"

#include "engine/Cp1251.h"

namespace vuruzid::bench {
namespace {

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or(std::string()); }

bool OneOf(const std::string& letters, char c) { return letters.find(c) != std::string::npos; }

const std::string& Vowels() {
  static const std::string v = Cp("аеиоуыэюяё");
  return v;
}
const std::string& Voiceless() {
  static const std::string v = Cp("пфктшсхцчщ");
  return v;
}
const std::string& Voiced() {
  static const std::string v = Cp("бвгджз");
  return v;
}
bool IsConsonant(char c) { return !OneOf(Vowels(), c) && c != Cp("ь")[0] && c != Cp("ъ")[0]; }

// Where a change may be made: the letters around the part changed.
enum class Where { Anywhere, NotFirst, Start, End, BeforeVoiceless, BeforeVoiced, BetweenVowels, EndOrBeforeVoiceless };

struct Change {
  ByEar kind;
  std::string from, to;
  Where where = Where::Anywhere;
};

bool Fits(std::string_view word, size_t at, size_t length, Where where) {
  const size_t end = at + length;
  const char next = end < word.size() ? word[end] : 0;
  switch (where) {
    case Where::Anywhere: return true;
    case Where::NotFirst: return at > 0;
    case Where::Start: return at == 0 && next != 0 && IsConsonant(next);
    case Where::End: return end == word.size();
    case Where::BeforeVoiceless: return next != 0 && OneOf(Voiceless(), next);
    case Where::BeforeVoiced: return next != 0 && OneOf(Voiced(), next) && next != Cp("в")[0];
    case Where::BetweenVowels: return at > 0 && OneOf(Vowels(), word[at - 1]) && next != 0 && OneOf(Vowels(), next);
    case Where::EndOrBeforeVoiceless: return next == 0 || OneOf(Voiceless(), next);
  }
  return false;
}

const std::vector<Change>& Changes() {
  static const std::vector<Change> changes = [] {
    std::vector<Change> all;
    auto add = [&](ByEar kind, std::string_view from, std::string_view to, Where where = Where::Anywhere) {
      all.push_back({kind, Cp(from), Cp(to), where});
    };
    for (auto [from, to] : {std::pair{"о", "а"}, {"а", "о"}, {"е", "и"}, {"и", "е"}, {"я", "и"}, {"я", "е"}})
      add(ByEar::Vowel, from, to, Where::NotFirst);
    for (auto [from, to] : {std::pair{"стн", "сн"}, {"здн", "зн"}, {"лнц", "нц"}, {"вств", "ств"}, {"рдц", "рц"},
                            {"ндск", "нск"}, {"нтск", "нск"}, {"стл", "сл"}, {"рдч", "рч"}})
      add(ByEar::SilentConsonant, from, to);
    add(ByEar::SilentConsonant, "сн", "стн", Where::NotFirst);
    for (std::string_view c : {"н", "с", "л", "м", "п", "т", "ф", "р", "к", "д", "б", "г", "з", "ж"})
      add(ByEar::DoubleConsonant, std::string(c) + std::string(c), c);
    add(ByEar::DoubleConsonant, "н", "нн", Where::BetweenVowels);
    for (auto [from, to] : {std::pair{"жё", "жо"}, {"шё", "шо"}, {"чё", "чо"}, {"щё", "що"}})
      add(ByEar::IoAfterSibilant, from, to);
    for (auto [from, to] : {std::pair{"жи", "жы"}, {"ши", "шы"}, {"ча", "чя"}, {"ща", "щя"}, {"чу", "чю"},
                            {"щу", "щю"}, {"ци", "цы"}})
      add(ByEar::SibilantVowel, from, to);
    for (auto [from, to] : {std::pair{"ъе", "ье"}, {"ъя", "ья"}, {"ъё", "ьё"}, {"ъю", "ью"}, {"ье", "ъе"},
                            {"ья", "ъя"}, {"ью", "ъю"}})
      add(ByEar::Signs, from, to, Where::NotFirst);
    add(ByEar::Signs, "ь", "", Where::NotFirst);
    for (auto [from, to] : {std::pair{"бес", "без"}, {"рас", "раз"}, {"ис", "из"}, {"вос", "воз"}, {"нис", "низ"},
                            {"вс", "вз"}, {"без", "бес"}, {"раз", "рас"}, {"из", "ис"}, {"воз", "вос"}})
      add(ByEar::PrefixEnding, from, to, Where::Start);
    for (auto [voiced, voiceless] :
         {std::pair{"б", "п"}, {"в", "ф"}, {"г", "к"}, {"д", "т"}, {"ж", "ш"}, {"з", "с"}}) {
      add(ByEar::Voicing, voiced, voiceless, Where::EndOrBeforeVoiceless);
      add(ByEar::Voicing, voiceless, voiced, Where::BeforeVoiced);
    }
    for (auto [from, to] : {std::pair{"ого", "ова"}, {"его", "ева"}, {"ого", "ово"}, {"его", "ево"}})
      add(ByEar::Genitive, from, to, Where::End);
    add(ByEar::Genitive, "егодн", "еводн");
    for (auto [from, to] : {std::pair{"ться", "ца"}, {"тся", "ца"}, {"ться", "тся"}, {"тся", "ться"}, {"ться", "цца"},
                            {"тся", "цца"}})
      add(ByEar::TsSound, from, to, Where::End);
    for (auto [from, to] : {std::pair{"тск", "цк"}, {"дск", "цк"}, {"сч", "щ"}}) add(ByEar::TsSound, from, to);
    return all;
  }();
  return changes;
}

}  // namespace

std::string_view ByEarName(ByEar kind) {
  static constexpr std::array<std::string_view, kByEarKinds> names = {
      "unstressed vowel", "silent consonant", "double consonant", "ё after a sibilant", "vowel after a sibilant",
      "ь and ъ",          "prefix з/с",       "voicing",          "-ого as -ова",       "тс, ться as ц"};
  return names[static_cast<size_t>(kind)];
}

std::vector<ByEarVariant> ByEarVariants(std::string_view word) {
  std::vector<ByEarVariant> variants;
  for (const Change& change : Changes())
    for (size_t at = word.find(change.from); at != std::string_view::npos; at = word.find(change.from, at + 1)) {
      if (!Fits(word, at, change.from.size(), change.where)) continue;
      std::string typed(word);
      typed.replace(at, change.from.size(), change.to);
      variants.push_back({std::move(typed), change.kind});
    }
  return variants;
}

}  // namespace vuruzid::bench
