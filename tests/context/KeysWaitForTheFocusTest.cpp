// The capture on a real X server with a real GTK window on the accessibility
// bus: letters typed into its password entry never reach the interpreter,
// however quickly they follow the Tab that moves the focus there, and when
// the entry had the focus before checking started; nor while a screen locker
// holds the keyboard.
#include "capture/KeyCapture.h"

#include "support/X11Probe.h"

#include <X11/keysym.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vuruzid::capture {
namespace {

bool HaveDesktop() { return std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr && std::getenv("DISPLAY") != nullptr; }

struct KeysWaitForTheFocusTest : ::testing::Test {
  void SetUp() override {
    if (!HaveDesktop()) GTEST_SKIP() << "needs an X server and a session bus: scripts/with-xserver.sh ...";
    window.start(VURUZID_SYSTEM_PYTHON, {VURUZID_PASSWORD_WINDOW});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.canReadLine() && window.readLine() == "ready\n"; }, 15000));
    QTest::qWait(300);  // the window manager gives it the keyboard
  }
  void TearDown() override {
    capture.Remove();
    if (window.state() == QProcess::NotRunning) return;
    window.write("quit\n");
    if (!window.waitForFinished(3000)) window.kill();
  }
  void Tell(const char* command) {
    window.write(QByteArray(command) + "\n");
    QTest::qWait(300);  // handled, and told on the bus
  }
  void Type(std::initializer_list<unsigned long> keysyms) {
    for (unsigned long keysym : keysyms) probe.TypeKeysym(keysym);
  }
  // What reached the interpreter since the last call, as letters.
  std::string Delivered() {
    QTest::qWait(50);
    return std::exchange(delivered, {});
  }
  void Install() {
    std::string why;
    ASSERT_TRUE(capture.Install(&why)) << why;
    ASSERT_TRUE(QTest::qWaitFor([&] { return capture.Context().pause != Pause::FocusUnknown; }, 3000));
  }

  QProcess window;
  testing::X11Probe probe;
  std::string delivered;
  KeyCapture capture{[this](const KeyStroke& key) {
    delivered += key.virtualKey == 9 ? '\t' : static_cast<char>(key.virtualKey);
  }};
};

// The plain entry takes 0, 150 or 400 ms to let the focus go after the Tab;
// the letters typed at once after it belong to the password entry.
TEST_F(KeysWaitForTheFocusTest, NoLetterTypedRightAfterTheTabIntoAPasswordEntryIsJudged) {
  Install();
  for (const char* delay : {"slow 0", "slow 150", "slow 400"}) {
    SCOPED_TRACE(delay);
    Tell("slow 0");
    Tell("plain");
    Type({XK_a, XK_b});
    EXPECT_TRUE(QTest::qWaitFor([&] { return delivered == "AB"; }, 2000)) << delivered;
    Delivered();
    Tell(delay);
    Type({XK_Tab, XK_s, XK_w, XK_o, XK_r, XK_d});
    QTest::qWait(1000);  // the focus event, however late
    // The Tab itself ends the word, or is held back already when the focus
    // event came first; nothing after it is judged.
    EXPECT_THAT(Delivered(), ::testing::AnyOf("\t", "")) << "the letters after the Tab reached the interpreter";
    EXPECT_EQ(capture.Context().pause, Pause::PasswordField);
  }
  // The positive control: back in the plain entry, words are judged again.
  Tell("slow 0");
  Tell("plain");
  Type({XK_d, XK_o});
  EXPECT_TRUE(QTest::qWaitFor([&] { return delivered == "DO"; }, 2000)) << delivered;
}

// Checking switched on while the password entry already has the focus.
TEST_F(KeysWaitForTheFocusTest, APasswordEntryFocusedBeforeCheckingStartsIsKnown) {
  Tell("password");
  std::string why;
  ASSERT_TRUE(capture.Install(&why)) << why;
  Type({XK_s, XK_e, XK_c, XK_r, XK_e, XK_t});  // at once, before the focus is looked up
  QTest::qWait(500);
  EXPECT_EQ(Delivered(), "");
  EXPECT_EQ(capture.Context().pause, Pause::PasswordField);
  Tell("plain");
  Type({XK_d, XK_o});
  EXPECT_TRUE(QTest::qWaitFor([&] { return delivered == "DO"; }, 2000)) << delivered;
}

// A screen locker grabs the keyboard over the active window: the unlock
// password is never judged, by a core grab (i3lock, slock) or an XI2 one (GTK
// lockers), and typing goes on once it lets go.
TEST_F(KeysWaitForTheFocusTest, NothingTypedIntoAScreenLockerIsJudged) {
  Install();
  for (const char* kind : {"core", "xi2"}) {
    SCOPED_TRACE(kind);
    Tell("plain");
    Type({XK_a, XK_b});
    EXPECT_TRUE(QTest::qWaitFor([&] { return delivered == "AB"; }, 2000)) << delivered;
    Delivered();
    QProcess locker;
    locker.start(VURUZID_TEST_LOCKER, {kind, "own"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return locker.canReadLine() && locker.readLine() == "grabbed\n"; }, 10000));
    Type({XK_s, XK_e, XK_c, XK_r, XK_e, XK_t, XK_Return});
    QTest::qWait(300);
    EXPECT_EQ(Delivered(), "");
    EXPECT_EQ(capture.Context().pause, Pause::KeyboardGrabbed);
    locker.write("quit\n");
    ASSERT_TRUE(locker.waitForFinished(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return capture.Context().pause == Pause::NotPaused; }, 3000));
    Type({XK_d, XK_o});
    EXPECT_TRUE(QTest::qWaitFor([&] { return delivered == "DO"; }, 2000)) << delivered;
    Delivered();
  }
}

}  // namespace
}  // namespace vuruzid::capture
