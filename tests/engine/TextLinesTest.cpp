#include <gtest/gtest.h>

#include "engine/TextLines.h"
#include "support/TempFolder.h"

namespace vuruzid {
namespace {

using Lines = std::vector<std::string>;
using testing::TempFolder;

TEST(TextLines, SplitsAtEveryKindOfLineEnd) {
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("A"), Lines{"A"});
  EXPECT_EQ(SplitLines("A\r\n"), Lines{"A"});
  EXPECT_EQ(SplitLines("A\r\nB\rC\nD"), (Lines{"A", "B", "C", "D"}));
  EXPECT_EQ(SplitLines("A\n\r\nB"), (Lines{"A", "", "B"}));
  EXPECT_EQ(SplitLines("A\n\rB"), (Lines{"A", "", "B"}));  // LF then a lone CR: two ends
  EXPECT_EQ(SplitLines("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(SplitLines("  apple \r\nAPPLE\r\n\r\nbanana "), (Lines{"  apple ", "APPLE", "", "banana "}));
}

TEST(TextLines, ANulByteEndsTheText) {
  EXPECT_EQ(SplitLines(std::string("A\r\nB\0C\r\nD", 9)), (Lines{"A", "B"}));
  EXPECT_EQ(SplitLines(std::string("\0A", 2)), Lines{});
}

TEST(TextLines, WritesCrLfAfterEveryLineAndReadsItBack) {
  TempFolder dir;
  const Lines lines{"ONE", "", "  padded  ", "\xCA\xCE\xD2"};
  ASSERT_TRUE(WriteTextLines(dir / "f.txt", lines));
  EXPECT_EQ(dir.Read("f.txt"), "ONE\r\n\r\n  padded  \r\n\xCA\xCE\xD2\r\n");
  EXPECT_EQ(ReadTextLines(dir / "f.txt"), lines);
  ASSERT_TRUE(WriteTextLines(dir / "f.txt", {}));
  EXPECT_EQ(dir.Read("f.txt"), "");
}

TEST(TextLines, FailedWritesLeaveTheOldFileWhole) {
  TempFolder dir;
  EXPECT_FALSE(ReadTextLines(dir / "missing.txt"));
  EXPECT_FALSE(ReadTextLines(dir.path()));  // a folder where the file should be
  EXPECT_FALSE(WriteTextLines(dir / "no-folder" / "f.txt", {"A"}));

  ASSERT_TRUE(WriteTextLines(dir / "ro.txt", {"KEEP"}));
  std::filesystem::permissions(dir / "ro.txt", std::filesystem::perms::owner_read);
  EXPECT_FALSE(WriteTextLines(dir / "ro.txt", {"LOST"}));
  EXPECT_EQ(dir.Read("ro.txt"), "KEEP\r\n");

  // No temporary files are left behind after a successful replace.
  ASSERT_TRUE(WriteTextLines(dir / "f.txt", {"A"}));
  ASSERT_TRUE(WriteTextLines(dir / "f.txt", {"B"}));
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2);
}

TEST(TextLines, WholeNumbers) {
  EXPECT_EQ(ParseWholeNumber("0"), 0);
  EXPECT_EQ(ParseWholeNumber("  120"), 120);
  EXPECT_EQ(ParseWholeNumber("-20"), -20);
  EXPECT_EQ(ParseWholeNumber("+7"), 7);
  EXPECT_EQ(ParseWholeNumber("2147483647"), 2147483647);
  EXPECT_EQ(ParseWholeNumber("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", " ", "-", "abc", "0 ", "1x", "2147483648", "-2147483649", "99999999999999999999", "\t1", "1.5"})
    EXPECT_FALSE(ParseWholeNumber(bad)) << '"' << bad << '"';
}

}  // namespace
}  // namespace vuruzid
