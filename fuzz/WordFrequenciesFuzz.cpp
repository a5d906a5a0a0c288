// Word-frequency side files: any bytes on disk either fail to load, with a
// reason, or give a table that loads back from what it writes, and whose
// every cost is a finite number no dearer than that of a word without a count.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "engine/WordFrequencies.h"

using namespace vuruzid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto path = fuzz::ScratchFolder() / "english.frq";
  fuzz::WriteFile(path, bytes);
  std::string error;
  const auto table = WordFrequencies::Load(path, &error);
  if (!table) {
    VURUZID_FUZZ_CHECK(!error.empty());
    return 0;
  }
  // What the table writes loads back as the same table.
  const std::string text = table->FileText();
  fuzz::WriteFile(path, text);
  const auto again = WordFrequencies::Load(path, &error);
  VURUZID_FUZZ_CHECK(again && again->size() == table->size() && again->FileText() == text);

  const double uncounted = table->CostOfCount(0);
  VURUZID_FUZZ_CHECK(std::isfinite(uncounted));
  // Every piece of the input between separators, counted or not, stem-borrowed or not.
  size_t start = 0;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\t') continue;
    for (const std::string_view word : {bytes.substr(start, i - start), bytes.substr(start, (i - start) / 2)}) {
      const double cost = table->Cost(word);
      VURUZID_FUZZ_CHECK(std::isfinite(cost) && cost >= 0 && cost <= uncounted);
    }
    start = i + 1;
  }
  return 0;
}
