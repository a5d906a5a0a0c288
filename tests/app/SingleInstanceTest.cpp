// One running copy per data folder: the names, the lock, the request to come forward.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>
#include <QTest>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/PrivateRuntime.h"
#include "app/SingleInstance.h"
#include "support/TempFolder.h"

namespace vuruzid::testing {
namespace {

namespace fs = std::filesystem;

TEST(SingleInstanceKey, TheSameFolderGetsTheSameNameHoweverItIsWritten) {
  TempFolder dir;
  fs::create_directories(dir.path() / "copy1/data");
  fs::create_directories(dir.path() / "copy2/data");
  fs::create_directory_symlink(dir.path() / "copy1", dir.path() / "link1");
  const fs::path data1 = dir.path() / "copy1/data";
  const struct {
    const char* name;
    fs::path folder;
    bool same;
  } cases[] = {
      {"the folder itself", data1, true},
      {"with a trailing slash", dir.path() / "copy1/data/", true},
      {"through . and ..", dir.path() / "copy2/../copy1/./data", true},
      {"through a link", dir.path() / "link1/data", true},
      {"another copy", dir.path() / "copy2/data", false},
      {"a parent folder", dir.path() / "copy1", false},
  };
  const QString key = SingleInstance::KeyFor(data1);
  EXPECT_TRUE(key.startsWith("QOR_Vuruzid-")) << key.toStdString();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SingleInstance::KeyFor(c.folder) == key, c.same) << SingleInstance::KeyFor(c.folder).toStdString();
  }
}

// A later start asks from its own thread while this one's event loop answers.
SingleInstance::Claim ClaimFromAnotherStart(const fs::path& dataFolder) {
  std::atomic<bool> done = false;
  SingleInstance::Claim claim = SingleInstance::Claim::Unguarded;
  std::thread later([&] {
    SingleInstance second(dataFolder);
    claim = second.ClaimDataFolder();
    done = true;
  });
  const bool finished = QTest::qWaitFor([&] { return done.load(); }, 15000);
  later.join();
  EXPECT_TRUE(finished);
  return claim;
}

TEST(SingleInstance, TheFirstStartHoldsTheFolderAndBringsItselfForwardForLaterOnes) {
  TempFolder dir;
  const fs::path data = dir.path() / "data";
  fs::create_directories(data);
  const struct {
    const char* name;
    bool leaveStaleFiles;
  } cases[] = {{"a clean start", false}, {"after a copy was killed", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QString why;
    const QString socketPath = SingleInstance::SocketPathFor(data, why);
    ASSERT_FALSE(socketPath.isEmpty()) << why.toStdString();
    if (c.leaveStaleFiles) {
      // What a killed copy leaves: its lock naming a process that has gone, and its socket file.
      QFile lock(SingleInstance::LockPathFor(socketPath));
      ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
      lock.write("2147483646\nQOR_Vuruzid\n\n");
      lock.close();
      QFile socket(socketPath);
      ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    }
    int broughtForward = 0;
    {
      SingleInstance first(data);
      ASSERT_EQ(first.ClaimDataFolder(), SingleInstance::Claim::First);
      first.SetBringForwardHandler([&] { ++broughtForward; });
      EXPECT_EQ(ClaimFromAnotherStart(data), SingleInstance::Claim::Forwarded);
      EXPECT_EQ(broughtForward, 1);
      EXPECT_EQ(ClaimFromAnotherStart(dir.path() / "data/"), SingleInstance::Claim::Forwarded);
      EXPECT_EQ(broughtForward, 2);
    }
    // Once the first has ended, the next start is the first again.
    SingleInstance next(data);
    EXPECT_EQ(next.ClaimDataFolder(), SingleInstance::Claim::First);
  }
}

TEST(SingleInstance, AnotherDataFolderIsNotTouched) {
  TempFolder dir;
  fs::create_directories(dir.path() / "one/data");
  fs::create_directories(dir.path() / "two/data");
  SingleInstance one(dir.path() / "one/data");
  ASSERT_EQ(one.ClaimDataFolder(), SingleInstance::Claim::First);
  bool asked = false;
  one.SetBringForwardHandler([&] { asked = true; });
  SingleInstance two(dir.path() / "two/data");
  EXPECT_EQ(two.ClaimDataFolder(), SingleInstance::Claim::First);
  QCoreApplication::processEvents();
  EXPECT_FALSE(asked);
}

constexpr uid_t kOtherUser = 65534;

TEST(PrivateRuntimeFolder, IsAFolderOnlyThisUserCanReach) {
  if (::geteuid() != 0) GTEST_SKIP() << "making another user's folder needs root";
  const struct {
    const char* name;
    mode_t runtimeMode;  // 0: no runtime folder
    mode_t ownMode;      // of a folder by the name of this user's own, made before; 0: none, S_IFLNK: a link
    uid_t ownOwner;
    std::string_view used;  // "own", "runtime", or "" for none
  } cases[] = {
      {"no runtime folder: one of this user's own is made", 0, 0, 0, "own"},
      {"another user's folder by that name is refused", 0, 0700, kOtherUser, ""},
      {"a folder by that name open to all is refused", 0, 0777, 0, ""},
      {"a link by that name is refused", 0, S_IFLNK, 0, ""},
      {"a private runtime folder", 0700, 0, 0, "runtime"},
      {"a runtime folder open to others is passed over", 0755, 0, 0, "own"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const fs::path own = dir / ("QOR_Vuruzid-runtime-" + std::to_string(::geteuid())), runtime = dir / "runtime";
    fs::create_directory(runtime);
    ::chmod(runtime.c_str(), c.runtimeMode ? c.runtimeMode : 0700);
    if (c.ownMode == S_IFLNK) {
      fs::create_directory_symlink(runtime, own);
    } else if (c.ownMode) {
      fs::create_directory(own);
      ASSERT_TRUE(::chmod(own.c_str(), c.ownMode) == 0 && ::chown(own.c_str(), c.ownOwner, 0) == 0);
    }
    QString why;
    const QString folder = app::PrivateRuntimeFolder(c.runtimeMode ? runtime.c_str() : "", dir.path().c_str(), why);
    EXPECT_EQ(folder.toStdString(), c.used == "own" ? own : c.used == "runtime" ? runtime : "") << why.toStdString();
    struct stat info {};
    EXPECT_TRUE(folder.isEmpty() || (::stat(folder.toLocal8Bit(), &info) == 0 && (info.st_mode & 0777) == 0700));
  }
}

// Another user's end of the socket at `path`: listening there or connecting,
// it sends `line` and waits for anything back, while `meanwhile` runs here.
// It is a child process the socket sees as that user, though it reaches files
// as this one, as a folder open to all would let it. Returns 1 if something
// came back, 0 if not, 2 if the socket was not reached.
int AnotherUsersEnd(const QString& path, bool listening, std::string_view line,
                    const std::function<void()>& meanwhile) {
  sockaddr_un address{AF_UNIX, {}};
  std::strncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof address.sun_path - 1);
  const auto* named = reinterpret_cast<const sockaddr*>(&address);
  const pid_t child = ::fork();
  if (child == 0) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool reached = ::setresuid(-1, kOtherUser, -1) == 0 && ::setfsuid(0) >= 0 &&
                         (listening ? ::bind(fd, named, sizeof address) == 0 && ::listen(fd, 1) == 0 &&
                                          (fd = ::accept(fd, nullptr, nullptr)) >= 0
                                    : ::connect(fd, named, sizeof address) == 0);
    char back[8];
    ::_exit(!reached ? 2 : ::send(fd, line.data(), line.size(), MSG_NOSIGNAL) >= 0 && ::read(fd, back, 8) > 0);
  }
  meanwhile();
  int status = 0;
  if (!QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000)) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SingleInstance, APeerOfAnotherUserIsNeitherAskedNorAnswered) {
  if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
  TempFolder dir;
  QString why;
  const QString socket = SingleInstance::SocketPathFor(dir / "data", why);
  ASSERT_FALSE(socket.isEmpty()) << why.toStdString();
  {
    // Another user's socket by this user's lock, telling every start it has come forward.
    QLockFile held(SingleInstance::LockPathFor(socket));
    ASSERT_TRUE(held.tryLock(0));
    SingleInstance second(dir / "data");
    const auto claim = [&] { EXPECT_EQ(second.ClaimDataFolder(), SingleInstance::Claim::NoAnswer); };
    EXPECT_EQ(AnotherUsersEnd(socket, true, "done\n", claim), 0) << "the start asked another user";
  }
  // Another user asks this user's running copy to come forward.
  SingleInstance first(dir / "data");
  ASSERT_EQ(first.ClaimDataFolder(), SingleInstance::Claim::First);
  int broughtForward = 0;
  first.SetBringForwardHandler([&] { ++broughtForward; });
  EXPECT_EQ(AnotherUsersEnd(socket, false, "bring-forward\n", [] {}), 0) << "another user was answered";
  EXPECT_EQ(broughtForward, 0);
}

}  // namespace
}  // namespace vuruzid::testing
