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
  *out << (focus.passwordField ? "{password, \"" : "{other, \"") << focus.application << "\", pid " << focus.pid
       << (focus.windowKnown ? ", window of \"" + focus.windowApplication + "\"" : std::string(", no window"))
       << (focus.lookedUp ? ", looked up" : "") << "}";
}

namespace {

constexpr const char* kWindowName = "vuruzid-password-window";

// What a step should leave the watcher saying: the focus's kind and
// application, and whether an accessible window is known to be active.
struct Expected {
  bool passwordField;
  const char* application;
  bool windowKnown = true;
};

bool Matches(const Focus& focus, const Expected& expected) {
  return focus.passwordField == expected.passwordField && focus.application == expected.application &&
         focus.windowKnown == expected.windowKnown;
}

bool PumpUntil(const std::function<bool()>& done, int ms = 15000) { return QTest::qWaitFor(done, ms); }

bool HaveDesktop() { return std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr && std::getenv("DISPLAY") != nullptr; }

// The GTK window of password_window.py, told through its stdin what to focus.
struct PasswordWindow {
  PasswordWindow() {
    process.start(VURUZID_SYSTEM_PYTHON, {VURUZID_PASSWORD_WINDOW});
    ready = PumpUntil([&] { return process.canReadLine() && process.readLine() == "ready\n"; });
  }
  ~PasswordWindow() {
    process.write("quit\n");
    if (!process.waitForFinished(3000)) process.kill();
  }
  void Tell(const std::string& command) { process.write((command + "\n").c_str()); }
  QProcess process;
  bool ready = false;
};

TEST(FocusWatcherTest, FollowsTheFocusAndTheActiveWindow) {
  if (!HaveDesktop()) GTEST_SKIP() << "needs an X server and a session bus: scripts/with-xserver.sh ...";
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

  PasswordWindow window;
  ASSERT_TRUE(window.ready);
  const auto pid = static_cast<unsigned>(window.process.processId());
  // Each command to the window, and what the watcher says after it.
  const std::vector<std::pair<std::string, Expected>> steps = {
      {"plain", {false, kWindowName}},
      {"password", {true, kWindowName}},
      {"plain", {false, kWindowName}},
      {"password", {true, kWindowName}},
      {"none", {false, kWindowName}},  // the password entry loses the focus, nothing gains it
      {"hang", {true, kWindowName}},   // an entry whose application does not answer counts as a password entry
      {"password", {true, kWindowName}},
      {"plain", {false, kWindowName}},
  };
  for (const auto& [command, expected] : steps) {
    const size_t before = reported.size();
    window.Tell(command);
    EXPECT_TRUE(PumpUntil([&] { return reported.size() > before && Matches(watcher.Current(), expected); }))
        << "after " << command << ": " << ::testing::PrintToString(watcher.Current());
  }
  EXPECT_EQ(watcher.Current().pid, pid);
  EXPECT_EQ(watcher.Current().windowPid, pid);
  EXPECT_TRUE(watcher.Current().lookedUp) << "a focus event tells the focus";
  EXPECT_EQ(watcher.ToolkitOf(pid), "gtk");
  // Every object that gained the focus was told, also plain after plain.
  const uint64_t moves = watcher.Current().moves;
  for (const char* entry : {"plain", "password", "plain"}) {
    window.Tell(entry);
    QTest::qWait(150);
  }
  EXPECT_TRUE(PumpUntil([&] { return watcher.Current().moves >= moves + 2; }));

  // The application leaves with the focus in it: nothing is known any more.
  window.Tell("password");
  ASSERT_TRUE(PumpUntil([&] { return watcher.Current().passwordField; }));
  window.Tell("quit");
  EXPECT_TRUE(PumpUntil([&] { return watcher.Current() == Focus{.lookedUp = true, .moves = watcher.Current().moves}; }))
      << ::testing::PrintToString(watcher.Current());
  EXPECT_FALSE(restarted.Current().windowKnown);  // it followed until the application left
  EXPECT_EQ(stoppedCalls, 0);
  EXPECT_EQ(selfStoppedCalls, 1);
  EXPECT_FALSE(selfStopped.Running());
  EXPECT_EQ(selfDestroyedCalls, 1);
  EXPECT_FALSE(selfDestroyed);
}

// Another program takes the keyboard and tells the bus nothing (xterm): no
// accessible window is active until the GTK window is again. Also after the
// watch was stopped and started again, as switching checking off and on does.
TEST(FocusWatcherTest, AWindowLeftForAProgramThatTellsNothingIsNotKnown) {
  if (!HaveDesktop()) GTEST_SKIP() << "needs an X server and a session bus";
  PasswordWindow window;
  ASSERT_TRUE(window.ready);
  const auto pid = static_cast<unsigned>(window.process.processId());
  FocusWatcher watcher(nullptr);
  std::string why;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "first start" : "started again");
    watcher.Stop();
    ASSERT_TRUE(watcher.Start(&why)) << why;
    watcher.LookUpFocus(0);
    ASSERT_TRUE(watcher.Current().windowKnown);
    ASSERT_EQ(watcher.Current().windowPid, pid);
    QProcess xterm;
    xterm.start("xterm", {"-e", "sleep", "30"});
    ASSERT_TRUE(xterm.waitForStarted(5000)) << xterm.errorString().toStdString();
    EXPECT_TRUE(PumpUntil([&] { return !watcher.Current().windowKnown; }, 10000)) << "xterm took the keyboard";
    xterm.kill();
    xterm.waitForFinished();
    EXPECT_TRUE(PumpUntil([&] { return watcher.Current().windowKnown && watcher.Current().windowPid == pid; }, 10000))
        << "the window manager gave the GTK window the keyboard back";
  }
}

// A watcher started while a password entry already has the focus knows it
// once it has looked the focus up, for the window's own process or for any.
TEST(FocusWatcherTest, LooksUpTheFocusItFindsAtTheStart) {
  if (!HaveDesktop()) GTEST_SKIP() << "needs an X server and a session bus";
  PasswordWindow window;
  ASSERT_TRUE(window.ready);
  const auto pid = static_cast<unsigned>(window.process.processId());
  for (const char* entry : {"password", "plain"}) {
    window.Tell(entry);
    QTest::qWait(300);
    for (const unsigned asked : {pid, 0u}) {
      SCOPED_TRACE(std::string(entry) + (asked ? ", its process named" : ", any process"));
      FocusWatcher watcher(nullptr);
      std::string why;
      ASSERT_TRUE(watcher.Start(&why)) << why;
      EXPECT_FALSE(watcher.Current().lookedUp);
      watcher.LookUpFocus(asked);
      EXPECT_TRUE(watcher.Current().lookedUp);
      EXPECT_EQ(watcher.Current().passwordField, std::string(entry) == "password");
      EXPECT_TRUE(watcher.Current().windowKnown);
      EXPECT_EQ(watcher.Current().windowPid, pid);
    }
  }
  // Asked for a process that is not on the bus, it finds no focus to hold back for.
  FocusWatcher watcher(nullptr);
  std::string why;
  ASSERT_TRUE(watcher.Start(&why)) << why;
  watcher.LookUpFocus(1);
  EXPECT_TRUE(watcher.Current().lookedUp);
  EXPECT_FALSE(watcher.Current().passwordField);
  EXPECT_FALSE(watcher.Current().windowKnown);
}

// The application that has the keyboard answers once it has handled what
// came before: while it sleeps in a focus-out handler, it is busy.
TEST(FocusWatcherTest, AnApplicationStillHandlingAKeyIsBusy) {
  if (!HaveDesktop()) GTEST_SKIP() << "needs an X server and a session bus";
  PasswordWindow window;
  ASSERT_TRUE(window.ready);
  FocusWatcher watcher(nullptr);
  std::string why;
  ASSERT_TRUE(watcher.Start(&why)) << why;
  window.Tell("password");
  ASSERT_TRUE(PumpUntil([&] { return watcher.Current().passwordField; }));
  watcher.AskApplication(0);
  EXPECT_TRUE(watcher.Busy());
  EXPECT_TRUE(PumpUntil([&] { return !watcher.Busy(); }, 2000));
  window.Tell("hang");  // three seconds without an answer
  QTest::qWait(200);
  watcher.AskApplication(static_cast<unsigned>(window.process.processId()));
  QTest::qWait(1000);
  EXPECT_TRUE(watcher.Busy());
  EXPECT_TRUE(PumpUntil([&] { return !watcher.Busy(); }, 5000));
  watcher.AskApplication(1);  // nobody to ask
  EXPECT_FALSE(watcher.Busy());
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
