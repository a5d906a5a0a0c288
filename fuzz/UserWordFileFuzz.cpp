// User word files: whatever a word file holds, adding a word keeps every byte
// that was there, and a file of plain text reads back as its old lines plus
// the new word.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzFolder.h"
#include "engine/UserWordFile.h"

using namespace vuruzid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto path = fuzz::ScratchFolder() / "dat_u.txt";
  fuzz::WriteFile(path, bytes);

  const auto before = ReadUserWordFile(path);
  VURUZID_FUZZ_CHECK(before.has_value());  // a regular file is always readable here
  VURUZID_FUZZ_CHECK(before->holdsUnreadableBytes == (bytes.find('\0') != std::string::npos ||
                                                      bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")));

  VURUZID_FUZZ_CHECK(AppendUserWords(path, {"ZQXW"}));
  const std::string now = fuzz::ReadFile(path);
  VURUZID_FUZZ_CHECK(now.starts_with(bytes));
  VURUZID_FUZZ_CHECK(now.ends_with("ZQXW\r\n"));
  VURUZID_FUZZ_CHECK(now.size() <= bytes.size() + 8);

  const auto after = ReadUserWordFile(path);
  VURUZID_FUZZ_CHECK(after.has_value());
  if (!before->holdsUnreadableBytes) {
    std::vector<std::string> expected = before->lines;
    expected.push_back("ZQXW");
    VURUZID_FUZZ_CHECK(after->lines == expected);
  }
  return 0;
}
