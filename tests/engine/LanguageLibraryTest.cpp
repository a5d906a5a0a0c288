#include <gtest/gtest.h>

#include "engine/LanguageLibrary.h"
#include "engine/LibraryCache.h"
#include "support/Dictionaries.h"
#include "support/TempFolder.h"

namespace vuruzid {
namespace {

using testing::TempFolder;

TEST(LanguageLibrary, RoundTripKeepsEveryString) {
  TempFolder dir;
  const std::vector<std::string> strings{"3", "CAT", "", "DOG", std::string("\xC4\xCE\xCC", 3)};
  ASSERT_TRUE(WriteLanguageLibrary(dir / "lib", strings));
  const auto library = LanguageLibrary::Open(dir / "lib");
  ASSERT_TRUE(library);
  ASSERT_EQ(library->StringCount(), strings.size());
  for (uint32_t id = 0; id < strings.size(); ++id) EXPECT_EQ(library->LoadString(id), strings[id]);
  EXPECT_EQ(library->LoadString(5), "");
  EXPECT_EQ(library->LoadString(0xFFFFFFFF), "");
}

TEST(LanguageLibrary, ReadsAreCutAt254BytesAndAtNul) {
  TempFolder dir;
  const std::string longWord(300, 'A');
  ASSERT_TRUE(WriteLanguageLibrary(dir / "lib", {"2", longWord, std::string("AB\0CD", 5)}));
  const auto library = LanguageLibrary::Open(dir / "lib");
  ASSERT_TRUE(library);
  EXPECT_EQ(library->LoadString(1), std::string(254, 'A'));
  EXPECT_EQ(library->LoadString(2), "AB");
  // The hash index finds words as reads deliver them, and nothing else.
  const LibraryIndex index(*library);
  ASSERT_TRUE(index.HasExactIndex());
  EXPECT_EQ(index.FindWord(std::string(254, 'A')), 0u);
  EXPECT_EQ(index.FindWord("AB"), 1u);
  EXPECT_FALSE(index.FindWord(longWord));
  EXPECT_FALSE(index.FindWord(std::string("AB\0CD", 5)));
  EXPECT_FALSE(index.FindWord("A"));
}

TEST(LanguageLibrary, DamagedFilesCannotBeLoaded) {
  TempFolder dir;
  ASSERT_TRUE(WriteLanguageLibrary(dir / "good", {"2", "CAT", "DOG"}));
  const std::string good = dir.Read("good");

  EXPECT_FALSE(LanguageLibrary::Open(dir / "missing"));
  EXPECT_FALSE(LanguageLibrary::Open(dir.path()));  // a folder
  dir.Write("empty", "");
  EXPECT_FALSE(LanguageLibrary::Open(dir / "empty"));
  dir.Write("garbage", std::string(64, 'x'));
  EXPECT_FALSE(LanguageLibrary::Open(dir / "garbage"));

  // Every truncation, down to the bare header, is refused.
  for (size_t length = 1; length < good.size(); ++length) {
    dir.Write("cut", good.substr(0, length));
    EXPECT_FALSE(LanguageLibrary::Open(dir / "cut")) << length;
  }
  // Trailing bytes beyond the last string mean the table does not describe the file.
  dir.Write("long", good + "X");
  EXPECT_FALSE(LanguageLibrary::Open(dir / "long"));

  // A string count far beyond the file must not send reads out of bounds.
  std::string hugeCount = good;
  hugeCount[12] = hugeCount[13] = hugeCount[14] = hugeCount[15] = '\xFF';
  dir.Write("huge", hugeCount);
  EXPECT_FALSE(LanguageLibrary::Open(dir / "huge"));

  // Offsets that run backwards.
  std::string backwards = good;
  backwards[20 + 4] = 9;  // offset[1] beyond offset[2]
  dir.Write("backwards", backwards);
  EXPECT_FALSE(LanguageLibrary::Open(dir / "backwards"));

  // Another format version.
  std::string version = good;
  version[8] = 2;
  dir.Write("version", version);
  EXPECT_FALSE(LanguageLibrary::Open(dir / "version"));
}

TEST(LanguageLibrary, RecordsWhetherTheWordsStandInByteOrder) {
  TempFolder dir;
  const auto order = [&](const std::vector<std::string>& strings) {
    EXPECT_TRUE(WriteLanguageLibrary(dir / "lib", strings));
    return LanguageLibrary::Open(dir / "lib")->WordsInByteOrder();
  };
  EXPECT_TRUE(order({"3", "A", "AB", "B"}));
  EXPECT_TRUE(order({"2", "A", "A"}));
  EXPECT_TRUE(order({"ZZZ", "A", "B"}));  // string 0 is not a word
  EXPECT_TRUE(order({"2", "\xC0", "\xDF"}));  // bytes compare unsigned
  EXPECT_FALSE(order({"3", "B", "A", "Z"}));
  EXPECT_FALSE(order({"2", "\xC0", "Z"}));
  // Reads cut at NUL: "B\0A" is read as "B", which sorts before "BA".
  EXPECT_TRUE(order({"2", std::string("B\0Z", 3), "BA"}));
}

TEST(LanguageLibrary, AnEmptyTableIsAValidFile) {
  TempFolder dir;
  ASSERT_TRUE(WriteLanguageLibrary(dir / "lib", {}));
  const auto library = LanguageLibrary::Open(dir / "lib");
  ASSERT_TRUE(library);
  EXPECT_EQ(library->StringCount(), 0u);
  EXPECT_EQ(library->LoadString(0), "");
}

TEST(LanguageLibrary, WritingIntoAMissingFolderFails) {
  TempFolder dir;
  EXPECT_FALSE(WriteLanguageLibrary(dir / "no-such-folder" / "lib", {"0"}));
}

// A language switch reuses the library read before while the file is
// unchanged, and reads it again once it has been replaced or rewritten.
TEST(LanguageLibrary, TheCacheRereadsOnlyAChangedFile) {
  TempFolder dir;
  ASSERT_TRUE(WriteLanguageLibrary(dir / "lib", {"1", "CAT"}));
  LibraryCache cache;
  const auto first = cache.Open(dir / "lib");
  ASSERT_TRUE(first);
  EXPECT_EQ(cache.Open(dir / "lib"), first);

  ASSERT_TRUE(WriteLanguageLibrary(dir / "lib", {"1", "DOG"}));  // replaced by rename
  const auto second = cache.Open(dir / "lib");
  ASSERT_TRUE(second);
  EXPECT_NE(second, first);
  EXPECT_EQ(second->LoadString(1), "DOG");
  EXPECT_EQ(first->LoadString(1), "CAT");  // a copy handed out earlier stays whole

  const std::string bytes = dir.Read("lib");
  std::string rewritten = bytes;
  rewritten[rewritten.size() - 1] = 'T';  // the same size, rewritten in place
  dir.Write("lib", rewritten);
  const auto third = cache.Open(dir / "lib");
  ASSERT_TRUE(third);
  EXPECT_EQ(third->LoadString(1), "DOT");

  dir.Write("lib", bytes.substr(0, bytes.size() - 1));  // damaged: nothing, and nothing kept
  EXPECT_FALSE(cache.Open(dir / "lib"));
  std::filesystem::remove(dir / "lib");
  EXPECT_FALSE(cache.Open(dir / "lib"));
}

}  // namespace
}  // namespace vuruzid
