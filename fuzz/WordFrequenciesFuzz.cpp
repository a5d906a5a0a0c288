// Word-frequency side files: any bytes on disk either fail to load, with a
// reason, or give a table that loads back from what it writes, and whose
// every cost is a finite number no dearer than that of a word without a count.
// The input is read as a side file for a small fixed word list, with its
// header made right half of the time, so that the cells are reached.
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "engine/LanguageLibrary.h"
#include "engine/WordFrequencies.h"

using namespace vuruzid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const WordList list = [] {
    const std::vector<std::string> words{"A", "CAT", "DOG", "THE"};
    std::vector<std::string> strings{std::to_string(words.size())};
    strings.insert(strings.end(), words.begin(), words.end());
    const auto library = fuzz::ScratchFolder() / "english.dll";
    VURUZID_FUZZ_CHECK(WriteLanguageLibrary(library, strings));
    return *ReadLibraryWords(library, nullptr);
  }();
  std::string input;
  if (!bytes.empty() && bytes[0] % 2 == 0) {
    char header[64];
    std::snprintf(header, sizeof header, "QVFREQ 2\n4 %llx ", static_cast<unsigned long long>(LibraryFingerprint(list)));
    input = header + std::string(bytes.substr(1));
  } else {
    input = std::string(bytes);
  }
  bytes = input;
  const auto path = fuzz::ScratchFolder() / "english.frq";
  fuzz::WriteFile(path, bytes);
  std::string error;
  const auto table = WordFrequencies::Load(path, list, &error);
  if (!table) {
    VURUZID_FUZZ_CHECK(!error.empty());
    return 0;
  }
  // What the table writes loads back as the same table.
  const std::string text = table->FileBytes();
  fuzz::WriteFile(path, text);
  const auto again = WordFrequencies::Load(path, list, &error);
  VURUZID_FUZZ_CHECK(again && again->size() == table->size() && again->FileBytes() == text);

  const double uncounted = table->CostOfCount(0);
  VURUZID_FUZZ_CHECK(std::isfinite(uncounted));
  for (size_t i = 0; i < list.size(); ++i) {
    const double cost = table->CostAt(i);
    VURUZID_FUZZ_CHECK(std::isfinite(cost) && cost >= 0 && cost <= uncounted);
  }
  // Every piece of the input between separators, listed or not.
  size_t start = 0;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\t') continue;
    for (const std::string_view word : {bytes.substr(start, i - start), bytes.substr(start, (i - start) / 2)}) {
      const double cost = table->Cost(word, list);
      VURUZID_FUZZ_CHECK(std::isfinite(cost) && cost >= 0 && cost <= uncounted);
    }
    start = i + 1;
  }
  return 0;
}
