#include "tools/dictbuild/CaseForms.h"

#include <utility>

#include "engine/Cp1251.h"

namespace vuruzid::dictbuild {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Which spellings of a library word were seen.
constexpr uint8_t kSeenLower = 1, kSeenCapitalised = 2, kSeenCapitals = 4;

uint8_t SeenBit(FormCase spelling) {
  switch (spelling) {
    case FormCase::Any:
      return kSeenLower;
    case FormCase::Capitalised:
      return kSeenCapitalised;
    case FormCase::Capitals:
      return kSeenCapitals;
  }
  return kSeenLower;
}

}  // namespace

FormCase CaseOfSpelling(std::string_view cp1251Spelling) {
  bool capital = false, small = false;
  for (const char ch : cp1251Spelling) {
    const auto c = static_cast<unsigned char>(ch);
    capital |= cp1251::ToLower(c) != c;
    small |= cp1251::ToUpper(c) != c;
  }
  if (!capital) return FormCase::Any;
  return small ? FormCase::Capitalised : FormCase::Capitals;
}

LibraryCases CasesOfLibraryWords(const std::vector<std::string>& lines, SourceEncoding encoding,
                                 const WordList& library) {
  LibraryCases result;
  auto& counts = result.counts;
  std::vector<uint8_t> seen(library.size(), 0);
  bool first = true;
  for (const auto& line : lines) {
    // The steps of NormaliseWordList, so that each spelling meets the word the library made of it.
    std::string_view text = line;
    if (std::exchange(first, false) && encoding == SourceEncoding::Utf8 && text.starts_with(kUtf8ByteOrderMark))
      text.remove_prefix(kUtf8ByteOrderMark.size());
    text = WordOnLine(text);
    if (text.empty()) continue;
    const std::optional<std::string> spelling =
        encoding == SourceEncoding::Utf8 ? cp1251::FromUtf8(text) : std::optional<std::string>(text);
    if (!spelling || spelling->size() > kMaxWordBytes) continue;
    const std::optional<std::string> word = NormaliseWord(*spelling);
    if (!word) continue;
    ++counts.forms;
    const std::optional<size_t> position = library.FindExact(*word);
    if (!position) {
      ++counts.notInLibrary;
      continue;
    }
    seen[*position] |= SeenBit(CaseOfSpelling(*spelling));
  }

  result.cases.reserve(seen.size());
  for (const uint8_t spellings : seen) {
    FormCase wordCase = FormCase::Any;
    if (spellings == 0)
      ++counts.withoutSpelling;
    else if (!(spellings & kSeenLower))
      wordCase = spellings & kSeenCapitalised ? FormCase::Capitalised : FormCase::Capitals;
    counts.capitalised += wordCase == FormCase::Capitalised;
    counts.capitals += wordCase == FormCase::Capitals;
    result.cases.push_back(wordCase);
  }
  return result;
}

}  // namespace vuruzid::dictbuild
