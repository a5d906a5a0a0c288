// Corrections: for any word list and any typed word, the walk over the sorted
// list finds exactly the words a scan finds within the cost bound, and the best
// candidates are listed words, each once, at most five.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzFolder.h"
#include "engine/CandidateSearch.h"
#include "engine/Corrector.h"
#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"
#include "engine/WordList.h"

using namespace vuruzid;

// The input is the typed word, then the listed words, one a line; the last
// line is inserted into the list as a user's word would be.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n')
      lines.emplace_back();
    else if (cp1251::IsWordCharacter(data[i]) && lines.back().size() < 24)
      lines.back() += static_cast<char>(data[i]);
  }
  const std::string typed = cp1251::ToUpper(lines.front());
  std::vector<std::string> words;
  for (size_t i = 1; i + 1 < lines.size(); ++i)
    if (!lines[i].empty()) words.push_back(cp1251::ToUpper(lines[i]));
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());

  std::vector<std::string> strings{std::to_string(words.size())};
  strings.insert(strings.end(), words.begin(), words.end());
  const auto path = fuzz::ScratchFolder() / "english.dll";
  VURUZID_FUZZ_CHECK(WriteLanguageLibrary(path, strings));
  std::shared_ptr<const LanguageLibrary> library = LanguageLibrary::Open(path);
  VURUZID_FUZZ_CHECK(library);
  WordList list;
  list.AppendLibrary(library, static_cast<uint32_t>(words.size()));
  if (lines.size() > 1 && !lines.back().empty()) list.InsertWord(cp1251::ToUpper(lines.back()));

  const KeyLayout layout = typed.size() % 2 ? KeyLayout::Russian : KeyLayout::English;
  const ErrorModel model(layout, DefaultCorrectionWeights(layout));
  for (const double bound : {0.0, 0.7, 2.05}) {
    std::vector<size_t> expected, found;
    for (size_t i = 0; i < list.size(); ++i)
      if (model.Cost(typed, list[i]) <= bound) expected.push_back(i);
    for (const FoundWord& f : WordsWithinCost(typed, list, model, bound)) found.push_back(f.index);
    VURUZID_FUZZ_CHECK(found == expected);
  }

  const Corrector corrector(layout, WordFrequencies::FromEntries({{typed, 3}}, list), DefaultCorrectionWeights(layout));
  const std::vector<std::string> best = corrector.Suggest(typed, list, {});
  VURUZID_FUZZ_CHECK(best.size() <= Corrector::kMaxCorrections);
  for (size_t i = 0; i < best.size(); ++i) {
    VURUZID_FUZZ_CHECK(best[i] != CorrectableCore(typed));
    VURUZID_FUZZ_CHECK(std::count(best.begin(), best.end(), best[i]) == 1);
    bool listed = false;
    for (size_t j = 0; j < list.size() && !listed; ++j) listed = list[j] == best[i];
    VURUZID_FUZZ_CHECK(listed);
  }
  return 0;
}
