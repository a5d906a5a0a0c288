// ChooseDataHome on real folders: a writable program folder keeps data/, a
// read-only or installed one sends it to the user's data folder. Read-only
// cases are judged by an unprivileged process, since permission bits do not
// stop the administrator the tests may run as.
#include <gtest/gtest.h>

#include <filesystem>
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

// Runs ChooseDataHome in a child process as an unprivileged user (when this
// process is the administrator) and returns its answer as "<perUser> <folder>".
std::string ChooseAsUnprivileged(const fs::path& programFolder, const UserEnvironment& environment) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(2);
    const DataHome home = ChooseDataHome(programFolder, environment);
    const std::string answer = std::to_string(home.perUser) + " " + home.folder.string();
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
    EXPECT_EQ(ChooseAsUnprivileged(program, environment), expected);
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
  TempFolder temp;
  std::string error;
  ASSERT_TRUE(PrepareDataHome({temp / "share/qor-vuruzid", true}, error)) << error;
  EXPECT_TRUE(fs::is_directory(temp / "share/qor-vuruzid/data"));
  EXPECT_EQ(fs::status(temp / "share/qor-vuruzid").permissions() & fs::perms::all, fs::perms::owner_all);

  // A program folder keeps the permissions it has.
  fs::create_directories(temp / "program");
  fs::permissions(temp / "program", fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
  ASSERT_TRUE(PrepareDataHome({temp / "program", false}, error)) << error;
  EXPECT_TRUE(fs::is_directory(temp / "program/data"));
  EXPECT_EQ(fs::status(temp / "program").permissions() & fs::perms::all,
            fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);

  // A folder that cannot be made, whoever asks: its place is taken by a file.
  temp.Write("blocked", "x");
  error.clear();
  EXPECT_FALSE(PrepareDataHome({temp / "blocked/qor-vuruzid", true}, error));
  EXPECT_NE(error.find("blocked"), std::string::npos) << error;
}

}  // namespace
}  // namespace vuruzid::platform
