// ReplaceFileAtomically on real files: the permission bits of what it creates
// and what it replaces (AppendTextLines's too), the symbolic link leading to
// it, what it refuses, and the clean-up of temporaries a killed save left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "platform/FileAppend.h"
#include "support/TempFolder.h"

namespace vuruzid::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

mode_t ModeOf(const fs::path& path) {
  struct stat s{};
  return ::stat(path.c_str(), &s) == 0 ? (s.st_mode & 07777) : 0;
}

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Both ways of saving.
TEST(SavedFileBits, NewFilesGetTheBitsAskedForLessTheUmaskOldOnesKeepTheirs) {
  struct Case {
    mode_t before;  // 0: no file yet
    NewFileAccess access;
    mode_t umask, after;
  };
  const Case cases[] = {
      {0, NewFileAccess::Private, 022, 0600},  {0, NewFileAccess::Private, 077, 0600},
      {0, NewFileAccess::Shared, 022, 0644},   {0, NewFileAccess::Shared, 077, 0600},
      {0600, NewFileAccess::Shared, 022, 0600},  // a private file stays private
      {0640, NewFileAccess::Private, 022, 0640}, {0664, NewFileAccess::Private, 077, 0664},
      {0744, NewFileAccess::Shared, 077, 0744},
  };
  for (const bool append : {false, true}) {
    for (const auto& [before, access, umask, after] : cases) {
      SCOPED_TRACE(::testing::Message() << std::oct << before << (append ? " append" : " replace") << ", umask "
                                        << umask);
      TempFolder folder;
      if (before != 0) {
        folder.Write("Vuruzid.ini", "old\r\n");
        ASSERT_EQ(::chmod((folder / "Vuruzid.ini").c_str(), before), 0);
      }
      const mode_t umaskBefore = ::umask(umask);
      const bool saved = append ? AppendTextLines(folder / "Vuruzid.ini", "new\r\n", access)
                                : ReplaceFileAtomically(folder / "Vuruzid.ini", "new\r\n", access);
      ::umask(umaskBefore);
      ASSERT_TRUE(saved);
      EXPECT_EQ(folder.Read("Vuruzid.ini"), append && before != 0 ? "old\r\nnew\r\n" : "new\r\n");
      EXPECT_EQ(ModeOf(folder / "Vuruzid.ini"), after);
      EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"Vuruzid.ini"});  // no temporary left
    }
  }
}

TEST(ReplaceFileAtomically, WritesThroughSymbolicLinksToTheirTarget) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> links;  // link -> where it points
    const char* target;                                      // the file that must end up written
  };
  const Case cases[] = {
      {"relative link", {{"data/Vuruzid.ini", "../private/Vuruzid.ini"}}, "private/Vuruzid.ini"},
      {"chain of two links",
       {{"data/Vuruzid.ini", "second"}, {"data/second", "../private/Vuruzid.ini"}},
       "private/Vuruzid.ini"},
      {"dangling link creates its target", {{"data/Vuruzid.ini", "../private/new.ini"}}, "private/new.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    fs::create_directories(folder / "data");
    fs::create_directories(folder / "private");
    if (std::string(c.target) != "private/new.ini") {
      folder.Write(c.target, "old");
      ASSERT_EQ(::chmod((folder / c.target).c_str(), 0600), 0);
    }
    for (const auto& [link, pointsTo] : c.links) fs::create_symlink(pointsTo, folder / link);

    ASSERT_TRUE(ReplaceFileAtomically(folder / "data/Vuruzid.ini", "new"));
    for (const auto& [link, pointsTo] : c.links) {
      EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / link))) << link;
      EXPECT_EQ(fs::read_symlink(folder / link), pointsTo) << link;
    }
    EXPECT_EQ(folder.Read(c.target), "new");
    EXPECT_EQ(folder.Read("data/Vuruzid.ini"), "new");
    if (std::string(c.target) != "private/new.ini") {
      EXPECT_EQ(ModeOf(folder / c.target), 0600u);
    }
  }
}

TEST(ReplaceFileAtomically, RefusesWhatItMustNotReplaceAndKeepsIt) {
  TempFolder folder;
  folder.Write("readonly.txt", "kept");
  ASSERT_EQ(::chmod((folder / "readonly.txt").c_str(), 0444), 0);
  fs::create_directories(folder / "a folder");
  fs::create_symlink("loop2", folder / "loop1");
  fs::create_symlink("loop1", folder / "loop2");

  EXPECT_FALSE(ReplaceFileAtomically(folder / "readonly.txt", "new"));
  EXPECT_EQ(folder.Read("readonly.txt"), "kept");
  EXPECT_FALSE(ReplaceFileAtomically(folder / "a folder", "new"));
  EXPECT_TRUE(fs::is_directory(folder / "a folder"));
  EXPECT_FALSE(ReplaceFileAtomically(folder / "loop1", "new"));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "loop1")));
  EXPECT_FALSE(ReplaceFileAtomically(folder / "missing folder/file", "new"));
  EXPECT_EQ(FolderNames(folder.path()), (std::vector<std::string>{"a folder", "loop1", "loop2", "readonly.txt"}));
}

TEST(TemporaryName, MatchesOnlyWhatASaveCreates) {
  struct Case {
    const char* name;
    const char* target;
    bool matches;
  };
  const Case cases[] = {
      {".Vuruzid.ini.saving-a8Bx9Q", "Vuruzid.ini", true},
      {".dat_u.txt.saving-000000", "dat_u.txt", true},
      {"Vuruzid.ini.saving-a8Bx9Q", "Vuruzid.ini", false},    // not hidden
      {".Vuruzid.ini.saving-a8Bx9", "Vuruzid.ini", false},    // five characters
      {".Vuruzid.ini.saving-a8Bx9Qz", "Vuruzid.ini", false},  // seven
      {".Vuruzid.ini.saving-a8-x9Q", "Vuruzid.ini", false},   // not a letter or digit
      {".Vuruzid.ini.a8Bx9Q", "Vuruzid.ini", false},          // no marker
      {".Vuruzid.ini.backup", "Vuruzid.ini", false},          // a user's own copy
      {".Other.ini.saving-a8Bx9Q", "Vuruzid.ini", false},     // another target
      {"..saving-a8Bx9Q", "", false},                         // no target at all
  };
  for (const auto& [name, target, matches] : cases) EXPECT_EQ(IsTemporaryNameFor(name, target), matches) << name;
}

TEST(RemoveStaleTemporaries, RemovesOnlyOldTemporariesBesideTheirTarget) {
  using namespace std::chrono_literals;
  struct Entry {
    const char* name;
    bool old;   // last written two minutes ago
    bool kept;  // must survive the clean-up
  };
  const Entry entries[] = {
      {"Vuruzid.ini", true, true},
      {"dat_u.txt", true, true},
      {".Vuruzid.ini.saving-a8Bx9Q", true, false},  // debris of a killed save
      {".dat_u.txt.saving-Zz09aB", true, false},    //
      {".Vuruzid.ini.saving-Q1w2E3", false, true},  // young: maybe a save going on right now
      {".datr_u.txt.saving-a8Bx9Q", true, true},    // its target is not there
      {".Vuruzid.ini.backup", true, true},          // the user's own files
      {".Vuruzid.ini.a8Bx9Q", true, true},          //
      {"notes.txt", true, true},
  };
  TempFolder folder;
  for (const auto& e : entries) {
    folder.Write(e.name, "x");
    if (e.old) fs::last_write_time(folder / e.name, fs::file_time_type::clock::now() - 2min);
  }
  EXPECT_EQ(RemoveStaleTemporaries(folder.path()), 2);
  for (const auto& e : entries) EXPECT_EQ(fs::exists(folder / e.name), e.kept) << e.name;
  EXPECT_EQ(RemoveStaleTemporaries(folder / "no such folder"), 0);
}

}  // namespace
}  // namespace vuruzid::platform
