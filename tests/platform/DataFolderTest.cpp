// ChooseDataHome on real folders: a writable program folder keeps data/, a
// read-only or installed one sends it to the user's data folder. Read-only
// cases are judged by an unprivileged process, since permission bits do not
// stop the administrator the tests may run as.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/DataFolder.h"
#include "support/TempFolder.h"

namespace vuruzid::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

constexpr uid_t kNobody = 65534;

// Runs `task` in a child process as an unprivileged user (when this process
// is the administrator) and returns its answer.
std::string AsUnprivileged(const std::function<std::string()>& task) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(2);
    const std::string answer = task();
    const bool written = ::write(pipeEnds[1], answer.data(), answer.size()) == static_cast<ssize_t>(answer.size());
    ::_exit(written ? 0 : 3);
  }
  ::close(pipeEnds[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed";
  return answer;
}

TEST(ChooseDataHome, FollowsTheProgramFoldersWritabilityAndTheUsersFolders) {
  enum class Layout { Writable, WritableWithData, ReadOnly, ReadOnlyData, Installed };
  struct Case {
    const char* name;
    Layout layout;
    const char* xdgDataHome;  // relative to the temporary folder unless absolute or empty
    const char* home;
    const char* expected;  // "<perUser> <folder>", "P" standing for the program folder, "T" the temporary one
  };
  const Case cases[] = {
      {"portable copy, data/ made on first run", Layout::Writable, "xdg", "home", "0 P"},
      {"portable copy with its data", Layout::WritableWithData, "xdg", "home", "0 P"},
      {"read-only program folder", Layout::ReadOnly, "xdg", "home", "1 T/xdg/qor-vuruzid"},
      {"read-only, no XDG_DATA_HOME", Layout::ReadOnly, "", "home", "1 T/home/.local/share/qor-vuruzid"},
      {"read-only, relative XDG_DATA_HOME is ignored", Layout::ReadOnly, "relative", "home",
       "1 T/home/.local/share/qor-vuruzid"},
      {"read-only, no home at all", Layout::ReadOnly, "", "", "0 P"},
      {"writable folder, read-only data/", Layout::ReadOnlyData, "xdg", "home", "1 T/xdg/qor-vuruzid"},
      {"installed copy, even for whoever may write it", Layout::Installed, "xdg", "home", "1 T/xdg/qor-vuruzid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    fs::permissions(temp.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path program = temp / "program";
    fs::create_directories(program);
    switch (c.layout) {
      case Layout::Writable:
        fs::permissions(program, fs::perms::all);  // writable for the unprivileged user too
        break;
      case Layout::WritableWithData:
        fs::create_directories(program / "data");
        fs::permissions(program / "data", fs::perms::all);
        break;
      case Layout::ReadOnly:
        ASSERT_EQ(::chmod(program.c_str(), 0555), 0);
        break;
      case Layout::ReadOnlyData:
        fs::create_directories(program / "data");
        ASSERT_EQ(::chmod((program / "data").c_str(), 0555), 0);
        fs::permissions(program, fs::perms::all);
        break;
      case Layout::Installed:
        temp.Write("program/per-user-data", "data per user\n");
        fs::permissions(program, fs::perms::all);
        break;
    }
    const auto underTemp = [&](std::string value) {
      return value.empty() || fs::path(value).is_absolute() || value == "relative" ? value
                                                                                   : (temp / value).string();
    };
    const UserEnvironment environment{underTemp(c.xdgDataHome), underTemp(c.home), ""};
    std::string expected = c.expected;
    if (expected.ends_with(" P")) expected = expected.substr(0, 2) + program.string();
    if (expected.find(" T/") != std::string::npos) expected = expected.substr(0, 2) + temp.path().string() + expected.substr(3);
    EXPECT_EQ(AsUnprivileged([&] {
                const DataHome home = ChooseDataHome(program, environment);
                return std::to_string(home.perUser) + " " + home.folder.string();
              }),
              expected);
    ::chmod(program.c_str(), 0755);
    ::chmod((program / "data").c_str(), 0755);
  }
}

TEST(IsWritableFolder, AnswersForThisProcessAndRefusesWhatIsNoFolder) {
  TempFolder temp;
  temp.Write("file", "x");
  EXPECT_TRUE(IsWritableFolder(temp.path()));
  EXPECT_FALSE(IsWritableFolder(temp / "file"));
  EXPECT_FALSE(IsWritableFolder(temp / "missing"));
}

TEST(PrepareDataHome, MakesThePrivateDataFolderOrSaysWhyNot) {
  struct Case {
    const char* name;
    const char* folder;     // in the temporary folder, where "file" is a file
    mode_t before, after;   // 0: no folder
    bool perUser, othersOwnIt, prepared;  // othersOwnIt: the administrator's, prepared by another user
  };
  const Case cases[] = {
      {"new per-user folder", "share/qor-vuruzid", 0, 0700, true, false, true},
      {"per-user folder others may write", "qor-vuruzid", 0777, 0700, true, false, true},
      {"per-user folder its group may write", "qor-vuruzid", 0770, 0700, true, false, true},
      {"per-user folder others may only read", "qor-vuruzid", 0755, 0755, true, false, true},
      {"program folder keeps its bits", "program", 0777, 0777, false, false, true},
      {"another's folder others may write", "qor-vuruzid", 0777, 0777, true, true, false},
      {"a file where the folder goes", "file/qor-vuruzid", 0, 0, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.othersOwnIt && ::geteuid() != 0) continue;  // no other owner to be had
    TempFolder temp;
    ASSERT_EQ(::chmod(temp.path().c_str(), 0711), 0);
    temp.Write("file", "x");
    const fs::path folder = temp / c.folder;
    if (c.before != 0) fs::create_directories(folder);
    if (c.before != 0) ASSERT_EQ(::chmod(folder.c_str(), c.before), 0);
    const auto prepare = [&] {
      std::string error;
      return PrepareDataHome({folder, c.perUser}, error) ? std::string() : error;
    };
    const std::string error = c.othersOwnIt ? AsUnprivileged(prepare) : prepare();
    EXPECT_EQ(error.find(folder.string()) != std::string::npos, !c.prepared) << error;  // said, and where
    struct stat made{};
    EXPECT_EQ(::stat(folder.c_str(), &made) == 0 ? made.st_mode & 07777 : 0, c.after);
    EXPECT_EQ(fs::is_directory(folder / "data"), c.after != 0);
  }
}

}  // namespace
}  // namespace vuruzid::platform
