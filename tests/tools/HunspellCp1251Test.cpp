#include "tools/dictbuild/HunspellCp1251.h"

#include <gtest/gtest.h>

#include "engine/Cp1251.h"

namespace vuruzid::dictbuild {
namespace {

std::string Cp(std::string_view utf8) { return cp1251::FromUtf8(utf8).value_or("<not in the code page>"); }

TEST(AffixFileToCp1251Test, RecodesEveryLineAndNamesTheNewEncoding) {
  const std::vector<std::string> affix = {"SET UTF-8", "TRY оеаи", "", "SFX Z Y 1", "SFX Z   ый   о   [лн]ый"};
  const auto result = AffixFileToCp1251(affix);
  ASSERT_EQ(result.error, "");
  const std::vector<std::string> expected = {"SET CP1251", Cp("TRY оеаи"), "", "SFX Z Y 1",
                                             Cp("SFX Z   ый   о   [лн]ый")};
  EXPECT_EQ(result.lines, expected);
}

TEST(AffixFileToCp1251Test, AcceptsAByteOrderMarkBeforeTheSetLine) {
  const auto result = AffixFileToCp1251({"\xEF\xBB\xBFSET UTF-8", "PFX A Y 1"});
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(result.lines, (std::vector<std::string>{"SET CP1251", "PFX A Y 1"}));
}

TEST(AffixFileToCp1251Test, RefusesWhatItCannotRecodeFaithfully) {
  // Another declared encoding: recoding it as UTF-8 would corrupt it.
  auto result = AffixFileToCp1251({"SET KOI8-R", "TRY a"});
  EXPECT_NE(result.error.find("KOI8-R"), std::string::npos) << result.error;
  EXPECT_TRUE(result.lines.empty());

  // No SET line: the encoding is unknown.
  result = AffixFileToCp1251({"TRY abc"});
  EXPECT_NE(result.error.find("SET"), std::string::npos) << result.error;
  EXPECT_TRUE(result.lines.empty());

  // A rule with a letter the code page lacks would change the rules if dropped or cut.
  result = AffixFileToCp1251({"SET UTF-8", "TRY abc", "SFX E Y 1", "SFX E 0 \xC3\xA9 ."});
  EXPECT_NE(result.error.find("line 4"), std::string::npos) << result.error;
  EXPECT_TRUE(result.lines.empty());

  // Malformed UTF-8 is as bad.
  result = AffixFileToCp1251({"SET UTF-8", "TRY \xD0"});
  EXPECT_NE(result.error.find("line 2"), std::string::npos) << result.error;
}

TEST(DictionaryFileToCp1251Test, LeavesOutEntriesTheCodePageCannotHoldWhole) {
  const std::vector<std::string> dictionary = {"\xEF\xBB\xBF" "4", "кошка/ABC", "café/S", "ёж", "Київ"};
  const auto result = DictionaryFileToCp1251(dictionary);
  EXPECT_EQ(result.lines, (std::vector<std::string>{"4", Cp("кошка/ABC"), Cp("ёж"), Cp("Київ")}));
  EXPECT_EQ(result.dropped, 1u);
}

}  // namespace
}  // namespace vuruzid::dictbuild
