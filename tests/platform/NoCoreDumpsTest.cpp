// A crash after ForbidCoreDumps leaves no core file, where the same crash
// without it does: each case crashes a child process in a folder of its own.
#include "platform/NoCoreDumps.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace vuruzid::platform {
namespace {

// The child's exit status, and whether anything was left in its folder.
struct Crash {
  bool killedBySignal = false;
  bool dumped = false;
  bool leftAFile = false;
};

Crash CrashChild(bool forbid) {
  const testing::TempFolder folder;
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.path().c_str()) != 0) _exit(2);
    // As a user who allows core files would have it.
    rlimit most{};
    getrlimit(RLIMIT_CORE, &most);
    most.rlim_cur = most.rlim_max;
    setrlimit(RLIMIT_CORE, &most);
    if (forbid && !ForbidCoreDumps(nullptr)) _exit(3);
    std::signal(SIGSEGV, SIG_DFL);
    raise(SIGSEGV);
    _exit(4);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Crash crash;
  crash.killedBySignal = WIFSIGNALED(status);
  crash.dumped = WIFSIGNALED(status) && WCOREDUMP(status);
  crash.leftAFile = !std::filesystem::is_empty(folder.path());
  return crash;
}

TEST(NoCoreDumpsTest, ACrashLeavesNothingOnDisk) {
  const Crash forbidden = CrashChild(true);
  EXPECT_TRUE(forbidden.killedBySignal);
  EXPECT_FALSE(forbidden.dumped);
  EXPECT_FALSE(forbidden.leftAFile);
  // The control: where the system writes core files at all, the same crash without it does.
  const Crash allowed = CrashChild(false);
  EXPECT_TRUE(allowed.killedBySignal);
  if (!allowed.dumped) GTEST_SKIP() << "this system writes no core files anyway (core limit or handler)";
}

TEST(NoCoreDumpsTest, TheProcessIsNotDumpableAndItsLimitIsZero) {
  const pid_t child = fork();
  if (child == 0) {
    rlimit limit{};
    const bool ok = ForbidCoreDumps(nullptr) && prctl(PR_GET_DUMPABLE) == 0 && getrlimit(RLIMIT_CORE, &limit) == 0 &&
                    limit.rlim_cur == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace vuruzid::platform
