// The session watch against a bus of its own put where the system bus is
// looked for, with python3-dbusmock's logind on it.
#include "capture/logind/SessionActivity.h"

#include "capture/KeyCapture.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QtDBus>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <utility>

namespace vuruzid::capture::logind {
namespace {

const QString kSessionC1 = "/org/freedesktop/login1/session/c1";
constexpr int kSetUpLimitMs = 30000;  // against a broken set-up only

enum class Bus { None, Hung, WithoutLogind, WithLogind };

// A bus of its own, put where the system bus is looked for, with logind's
// stand-in on it or not; or one that takes connections and never answers; or
// no bus at all.
class LoginBus {
 public:
  explicit LoginBus(Bus kind) {
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket");
    if (kind == Bus::None) return;
    Spawn(daemon_, "dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(kSetUpLimitMs)) continue;
    const QByteArray address = daemon_.readLine().trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    if (kind == Bus::Hung) {
      ::kill(static_cast<pid_t>(daemon_.processId()), SIGSTOP);
      return;
    }
    bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "test"));
    if (kind == Bus::WithoutLogind) return;
    logind_.setStandardOutputFile(QProcess::nullDevice());
    // The system's Python, which python3-dbusmock is installed for (PATH may lead to another).
    Spawn(logind_, "/usr/bin/python3", {"-m", "dbusmock", "--system", "--template", "logind"});
    (void)QTest::qWaitFor([&] { return Ready() || logind_.state() == QProcess::NotRunning; }, kSetUpLimitMs);
  }
  ~LoginBus() {
    if (logind_.processId() > 0) ::kill(static_cast<pid_t>(logind_.processId()), SIGCONT);
    logind_.terminate();
    logind_.waitForFinished();
    bus_.reset();
    QDBusConnection::disconnectFromBus("test");
    if (daemon_.processId() > 0) ::kill(static_cast<pid_t>(daemon_.processId()), SIGCONT);
    daemon_.terminate();
    daemon_.waitForFinished();
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qunsetenv("XDG_SESSION_ID");
  }
  bool Ready() const { return bus_ && bus_->interface()->isServiceRegistered("org.freedesktop.login1").value(); }

  void Call(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", path, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus_->call(call);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << method.toStdString() << ": " << reply.errorMessage().toStdString();
  }
  // Gives logind's stand-in a method of its own, in Python.
  void Teach(const QString& method, const QString& code) {
    Call("/org/freedesktop/login1", "org.freedesktop.DBus.Mock", "AddMethod",
         {"org.freedesktop.login1.Manager", method, "u", "o", code});
  }
  void AddC1(bool active) {
    Call("/org/freedesktop/login1", "org.freedesktop.DBus.Mock", "AddSession",
         {"c1", "seat0", static_cast<uint>(getuid()), "someone", active});
  }
  void SetC1Active(bool active) {
    Call(kSessionC1, "org.freedesktop.DBus.Properties", "Set",
         {"org.freedesktop.login1.Session", "Active", QVariant::fromValue(QDBusVariant(active))});
  }
  // As a screen locker tells logind.
  void SetC1Locked(bool locked) { Call(kSessionC1, "org.freedesktop.login1.Session", "SetLockedHint", {locked}); }
  // Both in one change signal.
  void SetC1ActiveAndLocked(bool active, bool locked) {
    Call(kSessionC1, "org.freedesktop.DBus.Mock", "UpdateProperties",
         {"org.freedesktop.login1.Session", QVariantMap{{"Active", active}, {"LockedHint", locked}}});
  }
  void Hang() { ::kill(static_cast<pid_t>(logind_.processId()), SIGSTOP); }

 private:
  // Started so that it ends with the test, even with one that crashes.
  static void Spawn(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);  // says why, should it fail
    process.start(program, arguments);
  }

  QProcess daemon_, logind_;
  std::unique_ptr<QDBusConnection> bus_;
};

TEST(SessionActivityTest, FindsItsSessionOrCountsAsActive) {
  const auto sessionOfThisProcess = [](LoginBus& bus) {
    bus.AddC1(false);
    bus.Teach("GetSessionByPID", QString("ret = '%1' if args[0] == %2 else '/'").arg(kSessionC1).arg(getpid()));
  };
  const auto usersGraphicalSession = [](LoginBus& bus) {
    bus.AddC1(false);
    // Also makes the path of a user, which the stand-in's own GetUser cannot.
    bus.Teach("GetUser", QString("ret = '/org/freedesktop/login1/user/%d' % args[0]; "
                                 "objects[ret].props['org.freedesktop.login1.User']['Display'] = "
                                 "('c1', dbus.ObjectPath('%1'))")
                             .arg(kSessionC1));
  };
  const struct {
    const char* name;
    Bus bus;
    std::function<void(LoginBus&)> setUp;
    const char* sessionId;  // XDG_SESSION_ID
    bool active, locked, watched;
  } cases[] = {
      {"named, active", Bus::WithLogind, [](LoginBus& bus) { bus.AddC1(true); }, "c1", true, false, true},
      {"named, inactive", Bus::WithLogind, [](LoginBus& bus) { bus.AddC1(false); }, "c1", false, false, true},
      {"named, active, locked", Bus::WithLogind,
       [](LoginBus& bus) {
         bus.AddC1(true);
         bus.SetC1Locked(true);
       },
       "c1", true, true, true},
      {"unknown name, the process's session", Bus::WithLogind, sessionOfThisProcess, "c9", false, false, true},
      {"the user's graphical session", Bus::WithLogind, usersGraphicalSession, nullptr, false, false, true},
      {"no session of this program", Bus::WithLogind, [](LoginBus& bus) { bus.AddC1(false); }, "c9", true, false,
       false},
      {"logind that hangs", Bus::WithLogind, [](LoginBus& bus) { bus.Hang(); }, "c1", true, false, false},
      {"no logind", Bus::WithoutLogind, nullptr, "c1", true, false, false},
      {"a system bus that hangs", Bus::Hung, nullptr, "c1", true, false, false},
      {"no system bus", Bus::None, nullptr, "c1", true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoginBus bus(c.bus);
    ASSERT_EQ(bus.Ready(), c.bus == Bus::WithLogind);
    if (c.setUp) c.setUp(bus);
    c.sessionId ? qputenv("XDG_SESSION_ID", c.sessionId) : qunsetenv("XDG_SESSION_ID");

    SessionActivity activity([](bool) { ADD_FAILURE() << "told of a change at the start"; });
    const auto started = std::chrono::steady_clock::now();
    activity.Start();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
    EXPECT_EQ(activity.Active(), c.active);
    EXPECT_EQ(activity.Locked(), c.locked);
    EXPECT_EQ(activity.Unwatched().empty(), c.watched) << activity.Unwatched();
    EXPECT_EQ(activity.SessionPath(), c.watched ? kSessionC1.toStdString() : "");
  }
}

TEST(SessionActivityTest, TellsEachChangeUntilEndedFromItsOwnSink) {
  LoginBus bus(Bus::WithLogind);
  bus.AddC1(true);
  qputenv("XDG_SESSION_ID", "c1");
  using State = std::pair<bool, bool>;  // active, locked
  std::vector<State> told;
  std::unique_ptr<SessionActivity> activity;
  activity = std::make_unique<SessionActivity>([&](bool active) {
    EXPECT_EQ(active, activity->Active());
    told.emplace_back(activity->Active(), activity->Locked());
    if (told.size() == 4) activity.reset();
  });
  activity->Start();
  ASSERT_EQ(activity->Unwatched(), "");

  // Signals come in the order sent: a value told again would come before the next change.
  const struct {
    const char* name;
    std::function<void()> change;
    std::vector<State> told;
  } steps[] = {
      {"leaves", [&] { bus.SetC1Active(false); }, {{false, false}}},
      {"locked while away, twice",
       [&] {
         bus.SetC1Locked(true);
         bus.SetC1Locked(true);
         bus.SetC1Active(false);
       },
       {{false, false}, {false, true}}},
      {"back", [&] { bus.SetC1Active(true); }, {{false, false}, {false, true}, {true, true}}},
      {"unlocked and away at once, then ended",
       [&] {
         bus.SetC1ActiveAndLocked(false, false);
         bus.SetC1Locked(true);
       },
       {{false, false}, {false, true}, {true, true}, {false, false}}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    step.change();
    ASSERT_TRUE(QTest::qWaitFor([&] { return told.size() >= step.told.size(); }, kSetUpLimitMs));
    EXPECT_EQ(told, step.told);
  }
  // Nothing after the sink ended the watch.
  QTest::qWait(200);
  EXPECT_EQ(told.size(), 4u);
}

// The keyboard devices carry every session's keys: the capture takes them in
// only while this session is in front.
TEST(SessionActivityTest, TheKeyboardDevicesDeliverOnlyWhileTheSessionIsActive) {
  LoginBus bus(Bus::WithLogind);
  bus.AddC1(true);
  qputenv("XDG_SESSION_ID", "c1");
  testing::TempFolder input;  // laid out like /dev/input and /sys/class/input, a pipe for the keyboard
  input.Write("sys/class/input/event0/device/capabilities/key", "1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe\n");
  std::filesystem::create_directories(input / "dev/input");
  ASSERT_EQ(::mkfifo((input / "dev/input/event0").c_str(), 0600), 0);
  const int keyboard = ::open((input / "dev/input/event0").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  qputenv("VURUZID_INPUT_ROOT", input.path().c_str());
  qputenv("VURUZID_CAPTURE", "devices");
  std::vector<int> delivered;
  KeyCapture capture([&](const KeyStroke& key) { delivered.push_back(key.virtualKey); });
  std::string whyNot;
  ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;
  const auto tap = [&](uint16_t code) {
    for (const int32_t value : {1, 0}) {
      const input_event events[] = {{{}, EV_KEY, code, value}, {{}, EV_SYN, SYN_REPORT, 0}};
      ASSERT_EQ(::write(keyboard, events, sizeof events), static_cast<ssize_t>(sizeof events));
    }
  };
  tap(KEY_A);
  ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.size() == 1; }, kSetUpLimitMs));
  bus.SetC1Active(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return capture.Context().pause == Pause::SessionInactive; }, kSetUpLimitMs));
  tap(KEY_B);
  QTest::qWait(100);
  bus.SetC1Active(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return capture.Context().pause == Pause::NotPaused; }, kSetUpLimitMs));
  tap(KEY_C);
  ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.size() == 2; }, kSetUpLimitMs));
  EXPECT_EQ(delivered, (std::vector<int>{'A', 'C'}));
  capture.Remove();
  ::close(keyboard);
  qunsetenv("VURUZID_INPUT_ROOT");
  qunsetenv("VURUZID_CAPTURE");
}

}  // namespace
}  // namespace vuruzid::capture::logind
