// One running copy per data folder: the names, the lock, the request to come forward.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <thread>

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
    SingleInstance probe(data);
    if (c.leaveStaleFiles) {
      // What a killed copy leaves: its lock naming a process that has gone, and its socket file.
      QFile lock(probe.LockPath());
      ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
      lock.write("2147483646\nQOR_Vuruzid\n\n");
      lock.close();
      QFile socket(probe.SocketPath());
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

}  // namespace
}  // namespace vuruzid::testing
