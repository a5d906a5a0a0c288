// The dictionary container: any bytes on disk either fail to open or give a
// table whose every string can be read, and whose sorted-word search agrees
// with a plain count, and its hash index with a plain scan, when the words
// really are in byte order.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzFolder.h"
#include "engine/LanguageLibrary.h"

using namespace vuruzid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto path = fuzz::ScratchFolder() / "library.dll";
  fuzz::WriteFile(path, {reinterpret_cast<const char*>(data), size});
  const auto library = LanguageLibrary::Open(path);
  if (!library) return 0;

  const uint32_t count = library->StringCount();
  VURUZID_FUZZ_CHECK(count <= size / 4);  // every string has its offset in the file
  bool ordered = true;
  std::string previous;
  for (uint32_t id = 0; id < count; ++id) {
    const std::string_view s = library->LoadString(id);
    VURUZID_FUZZ_CHECK(s.size() <= LanguageLibrary::kMaxStringBytes);
    VURUZID_FUZZ_CHECK(s.find('\0') == std::string_view::npos);
    if (id >= 2 && std::string(s) < previous) ordered = false;
    if (id >= 1) previous = s;
  }
  VURUZID_FUZZ_CHECK(library->LoadString(count).empty());

  if (library->WordsInByteOrder() && ordered && count <= 4096) {
    const LibraryIndex index(*library);
    // Ask for every word, its neighbours and a few others.
    for (uint32_t id = 1; id < count; ++id) {
      const std::string word(library->LoadString(id));
      for (const std::string& probe : {word, word + '\x01', word.substr(0, word.size() / 2), std::string("\xFF")}) {
        uint32_t before = 0;
        std::optional<uint32_t> first;
        for (uint32_t other = 1; other < count; ++other) {
          before += library->LoadString(other) < probe;
          if (!first && library->LoadString(other) == probe) first = other - 1;
        }
        VURUZID_FUZZ_CHECK(index.WordsBefore(probe) == before);
        if (index.HasExactIndex()) VURUZID_FUZZ_CHECK(index.FindWord(probe) == first);
      }
    }
  } else if (library->WordsInByteOrder()) {
    // A damaged file may claim an order it lacks: answers may be wrong but
    // must stay within the table.
    const LibraryIndex index(*library);
    VURUZID_FUZZ_CHECK(index.WordsBefore("M") <= (count > 0 ? count - 1 : 0));
    if (index.HasExactIndex()) {
      const auto found = index.FindWord("M");
      VURUZID_FUZZ_CHECK(!found || *found + 1 < count);
    }
  }
  return 0;
}
