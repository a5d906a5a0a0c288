// The kill -9 trial: a child process saves with ReplaceFileAtomically over and
// over and is killed at a random moment; the file must then hold one whole
// version, never a mix of two and never nothing. The temporaries the killed
// saves leave behind are then recognised and removed as stale.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "support/TempFolder.h"

namespace vuruzid::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Two versions of a settings-sized file made large enough that a save takes a
// while, and different at every byte, so any mix of them shows.
std::string Version(char letter) {
  std::string text;
  for (int line = 0; text.size() < (1 << 20); ++line) text += std::string(60, letter) + std::to_string(line) + "\r\n";
  return text;
}

// Runs in the forked child: saves the two versions in turn until killed.
[[noreturn]] void SaveForever(const fs::path& file, const std::string& first, const std::string& second) {
  for (;;) {
    if (!ReplaceFileAtomically(file, first) || !ReplaceFileAtomically(file, second)) ::_exit(2);
  }
}

TEST(KilledSave, LeavesTheOldOrTheNewFileWholeAndItsDebrisIsRemovedLater) {
  const std::string first = Version('A'), second = Version('B');
  TempFolder folder;
  const fs::path file = folder / "Vuruzid.ini";
  ASSERT_TRUE(ReplaceFileAtomically(file, first));

  // Kills fall anywhere in the first few saves, whatever this disk's speed.
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(ReplaceFileAtomically(file, second) && ReplaceFileAtomically(file, first));
  const auto pairOfSaves =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int64_t> killAfterMicroseconds(0, 3 * pairOfSaves.count() + 1000);
  constexpr int kTrials = 40;
  int secondSeen = 0;
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE(trial);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) SaveForever(file, first, second);
    std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicroseconds(random)));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child ended by itself, status " << status;

    const std::string now = folder.Read("Vuruzid.ini");
    ASSERT_TRUE(now == first || now == second) << "a mix or a cut file of " << now.size() << " bytes";
    if (now == second) ++secondSeen;
  }
  RecordProperty("trials_ending_with_the_second_version", secondSeen);

  // Whatever the killed saves left is debris; once old enough it is removed
  // and nothing else is.
  int debris = 0;
  for (const auto& entry : fs::directory_iterator(folder.path()))
    if (entry.path().filename() != "Vuruzid.ini") {
      EXPECT_TRUE(IsTemporaryNameFor(entry.path().filename().string(), "Vuruzid.ini")) << entry.path();
      ++debris;
    }
  EXPECT_GT(debris, 0) << "no kill fell inside a save";
  EXPECT_EQ(RemoveStaleTemporaries(folder.path(), std::chrono::seconds(0)), debris);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace vuruzid::platform
