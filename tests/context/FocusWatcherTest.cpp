// The keyboard focus as the accessibility bus tells it while a real GTK window
// (password_window.py) moves it. Needs an X server and a session bus, on which
// at-spi2-core is started on demand; only Qt's event loop runs meanwhile.
#include "capture/atspi/FocusWatcher.h"

#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace vuruzid::capture::atspi {

void PrintTo(const Focus& focus, std::ostream* out) {
  *out << (focus.passwordField ? "{password, \"" : "{other, \"") << focus.application << "\"}";
}

namespace {

const Focus kPlain{false, "vuruzid-password-window"};
const Focus kPassword{true, "vuruzid-password-window"};

bool PumpUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 15000); }

TEST(FocusWatcherTest, ReportsEachChangeOfTheFocusOnce) {
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr || std::getenv("DISPLAY") == nullptr)
    GTEST_SKIP() << "needs an X server and a session bus: scripts/with-xserver.sh dbus-run-session -- ...";
  std::vector<Focus> reported;
  FocusWatcher watcher([&](const Focus& focus) { reported.push_back(focus); });
  // Others share the connection: restarted, stopped, or stopping and
  // destroying themselves from their callback.
  int stoppedCalls = 0, selfStoppedCalls = 0, selfDestroyedCalls = 0;
  FocusWatcher restarted(nullptr), stopped([&](const Focus&) { ++stoppedCalls; });
  FocusWatcher selfStopped([&](const Focus&) { ++selfStoppedCalls, selfStopped.Stop(); });
  std::unique_ptr<FocusWatcher> selfDestroyed;
  selfDestroyed.reset(new FocusWatcher([&](const Focus&) { ++selfDestroyedCalls, selfDestroyed.reset(); }));
  std::string why;
  for (FocusWatcher* each : {&watcher, &restarted, &stopped, &restarted, &selfStopped, selfDestroyed.get()})
    ASSERT_TRUE(each->Start(&why)) << why;
  restarted.Stop();
  stopped.Stop();
  ASSERT_TRUE(restarted.Start(&why)) << why;

  QProcess window;  // told through its stdin which entry to focus
  window.start(VURUZID_SYSTEM_PYTHON, {VURUZID_PASSWORD_WINDOW});
  ASSERT_TRUE(PumpUntil([&] { return window.canReadLine() && window.readLine() == "ready\n"; }));
  // Each command to the window, and what the watcher reports after it.
  const std::vector<std::pair<std::string, std::vector<Focus>>> steps = {
      {"plain", {kPlain}},
      {"password", {kPassword}},
      {"plain", {kPlain}},
      {"password", {kPassword}},
      {"none", {kPlain}},                 // the password entry loses the focus, nothing gains it
      {"hang", {kPassword}},              // an entry whose application does not answer counts as a password entry
      {"password", {kPlain, kPassword}},  // the entry taken for one loses the focus, the real one gains it
      {"quit", {Focus{}}},                // the application leaves with the password entry focused
  };
  std::vector<Focus> expected;
  for (const auto& [command, reports] : steps) {
    window.write((command + "\n").c_str());
    expected.insert(expected.end(), reports.begin(), reports.end());
    EXPECT_TRUE(PumpUntil([&] { return reported.size() >= expected.size(); })) << "after " << command;
  }
  EXPECT_EQ(reported, expected);
  EXPECT_EQ(watcher.Current(), Focus{});
  EXPECT_EQ(restarted.Current(), Focus{});  // it followed until the application left
  EXPECT_EQ(stoppedCalls, 0);
  EXPECT_EQ(selfStoppedCalls, 1);
  EXPECT_FALSE(selfStopped.Running());
  EXPECT_EQ(selfDestroyedCalls, 1);
  EXPECT_FALSE(selfDestroyed);
  window.waitForFinished();
}

// Without a session bus that answers, or without GLib under Qt's event loop,
// Start says why and the program goes on. Each case runs in a new process,
// since a process keeps its connection to the bus once made.
TEST(FocusWatcherTest, StartSaysWhyWithoutTheBus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const testing::TempFolder folder;
  sockaddr_un muteBus{.sun_family = AF_UNIX, .sun_path = {}};  // takes connections, never answers
  (folder / "bus").string().copy(muteBus.sun_path, sizeof muteBus.sun_path - 1);
  const int mute = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(mute, reinterpret_cast<const sockaddr*>(&muteBus), sizeof muteBus) | listen(mute, 8), 0);
  const std::pair<std::vector<std::pair<const char*, std::string>>, const char*> cases[] = {
      {{{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"}}, "the session bus cannot be reached"},
      {{{"DBUS_SESSION_BUS_ADDRESS", std::string("unix:path=") + muteBus.sun_path}}, "the session bus does not answer"},
      // Where libdbus would launch a session bus of its own for the X display.
      {{{"DBUS_SESSION_BUS_ADDRESS", ""}, {"XDG_RUNTIME_DIR", "/nonexistent"}}, "there is no session bus"},
      {{{"QT_NO_GLIB", "1"}}, "does not run GLib"},
  };
  for (const auto& [environment, reason] : cases) {
    std::vector<std::pair<const char*, std::string>> saved;
    for (const auto& [name, value] : environment) {
      saved.emplace_back(name, std::getenv(name) ? std::getenv(name) : "");
      setenv(name, value.c_str(), 1);
    }
    EXPECT_EXIT(
        {
          std::string why;
          const bool started = FocusWatcher(nullptr).Start(&why);
          std::cerr << why;
          std::exit(started ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), reason);
    for (const auto& [name, value] : saved) value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
  }
  close(mute);
}

}  // namespace
}  // namespace vuruzid::capture::atspi
