// User word files: whatever a word file holds, adding a word keeps every byte
// that was there; a file of plain text reads back as its old lines plus the
// new word, and so does the readable part of a file holding a NUL byte.
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

  // A file holding a NUL byte takes the word just before it, where the next
  // read sees it, every byte around it kept.
  if (before->holdsUnreadableBytes && !before->utf16) {
    fuzz::WriteFile(path, bytes);
    VURUZID_FUZZ_CHECK(AppendUserWords(path, {"ZQXW"}, true));
    const std::string inserted = fuzz::ReadFile(path);
    const size_t nul = bytes.find('\0');
    VURUZID_FUZZ_CHECK(inserted.starts_with(bytes.substr(0, nul)) && inserted.ends_with(bytes.substr(nul)));
    VURUZID_FUZZ_CHECK(inserted.size() <= bytes.size() + 8);
    const auto reread = ReadUserWordFile(path);
    VURUZID_FUZZ_CHECK(reread && !reread->lines.empty() && reread->lines.back() == "ZQXW");
  }
  return 0;
}
