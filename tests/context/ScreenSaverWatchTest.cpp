// The screen saver watch on a session bus of its own, with python3-dbusmock
// standing in for the desktops' screen savers.
#include "capture/screensaver/ScreenSaverWatch.h"

#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QtDBus>
#include <gtest/gtest.h>

#include <sys/prctl.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>

namespace vuruzid::capture::screensaver {
namespace {

constexpr int kSetUpLimitMs = 30000;  // against a broken set-up only
// The watch's own limits (500 ms for the bus, 300 ms for the screen savers) and a little more.
constexpr auto kQuickly = std::chrono::milliseconds(1200);

// Started so that it ends with the test, even with one that crashes.
void Spawn(QProcess& process, const QString& program, const QStringList& arguments) {
  process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);  // says why, should it fail
  process.start(program, arguments);
}

void Resume(QProcess& process) {
  if (process.processId() > 0) ::kill(static_cast<pid_t>(process.processId()), SIGCONT);
}

void Hang(QProcess& process) { ::kill(static_cast<pid_t>(process.processId()), SIGSTOP); }

// A session bus of the test's own. It could start one screen saver on demand,
// which would leave a mark: the watch must never have it started.
class SessionBus {
 public:
  SessionBus() {
    folder_.Write("services/xfce.service", "[D-BUS Service]\nName=org.xfce.ScreenSaver\nExec=/bin/touch " +
                                               (folder_ / "started").string() + "\n");
    folder_.Write("bus.conf", "<busconfig><type>session</type><listen>unix:dir=" + folder_.path().string() +
                                  "</listen><servicedir>" + (folder_ / "services").string() +
                                  "</servicedir><policy context=\"default\"><allow send_destination=\"*\"/>"
                                  "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
    Spawn(daemon_, "dbus-daemon",
          {"--nofork", "--print-address=1", "--config-file=" + QString((folder_ / "bus.conf").c_str())});
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(kSetUpLimitMs)) continue;
    address_ = daemon_.readLine().trimmed();
    saved_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_);
    bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, "test"));
  }
  ~SessionBus() {
    bus_.reset();
    QDBusConnection::disconnectFromBus("test");
    Resume(daemon_);
    daemon_.terminate();
    daemon_.waitForFinished();
    saved_.isEmpty() ? qunsetenv("DBUS_SESSION_BUS_ADDRESS") : qputenv("DBUS_SESSION_BUS_ADDRESS", saved_);
  }
  QDBusConnection& Connection() { return *bus_; }
  bool Registered(const QString& name) const { return bus_->interface()->isServiceRegistered(name).value(); }
  bool StartedAService() const { return std::filesystem::exists(folder_ / "started"); }
  void Hang() { screensaver::Hang(daemon_); }

 private:
  testing::TempFolder folder_;
  QProcess daemon_;
  QByteArray address_, saved_;
  std::unique_ptr<QDBusConnection> bus_;
};

enum class Kind { Freedesktop, Gnome };

// One screen saver on the bus, showing or not as told.
class Saver {
 public:
  Saver(SessionBus& bus, Kind kind, bool showing)
      : bus_(bus),
        name_(kind == Kind::Freedesktop ? "org.freedesktop.ScreenSaver" : "org.gnome.ScreenSaver"),
        path_(kind == Kind::Freedesktop ? "/org/freedesktop/ScreenSaver" : "/org/gnome/ScreenSaver") {
    mock_.setStandardOutputFile(QProcess::nullDevice());
    // The system's Python, which python3-dbusmock is installed for (PATH may lead to another).
    if (kind == Kind::Gnome)
      Spawn(mock_, "/usr/bin/python3", {"-m", "dbusmock", "--session", "--template", "gnome_screensaver"});
    else
      Spawn(mock_, "/usr/bin/python3", {"-m", "dbusmock", "--session", name_, path_, name_});
    const bool ready =
        QTest::qWaitFor([&] { return bus.Registered(name_) || mock_.state() == QProcess::NotRunning; }, kSetUpLimitMs);
    EXPECT_TRUE(ready && mock_.state() == QProcess::Running) << name_.toStdString() << " did not start";
    if (kind == Kind::Freedesktop) {
      Call("org.freedesktop.DBus.Mock", "AddMethod",
           {name_, "GetActive", "", "b", "ret = getattr(self, 'showing', False)"});
      Call("org.freedesktop.DBus.Mock", "AddMethod",
           {name_, "SetActive", "b", "",
            "self.showing = args[0]; self.EmitSignal('', 'ActiveChanged', 'b', [args[0]])"});
    }
    if (showing) Show(true);
  }
  ~Saver() { End(); }

  void Show(bool showing) { Call(name_, "SetActive", {showing}); }
  void Hang() { screensaver::Hang(mock_); }
  void End() {
    Resume(mock_);
    mock_.terminate();
    mock_.waitForFinished();
  }

 private:
  void Call(const QString& interface, const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(name_, path_, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus_.Connection().call(call);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << method.toStdString() << ": " << reply.errorMessage().toStdString();
  }

  SessionBus& bus_;
  QString name_, path_;
  QProcess mock_;
};

TEST(ScreenSaverWatchTest, StartsFromWhatTheScreenSaversThereSay) {
  const struct {
    const char* name;
    std::function<void(SessionBus&, std::list<Saver>&)> setUp;
    bool active;
  } cases[] = {
      {"no screen saver", nullptr, false},
      {"freedesktop's, not showing",
       [](SessionBus& bus, std::list<Saver>& savers) { savers.emplace_back(bus, Kind::Freedesktop, false); }, false},
      {"freedesktop's, showing",
       [](SessionBus& bus, std::list<Saver>& savers) { savers.emplace_back(bus, Kind::Freedesktop, true); }, true},
      {"GNOME's showing, freedesktop's not",
       [](SessionBus& bus, std::list<Saver>& savers) {
         savers.emplace_back(bus, Kind::Freedesktop, false);
         savers.emplace_back(bus, Kind::Gnome, true);
       },
       true},
      {"one that never answers",
       [](SessionBus& bus, std::list<Saver>& savers) { savers.emplace_back(bus, Kind::Freedesktop, true).Hang(); },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SessionBus bus;
    std::list<Saver> savers;
    if (c.setUp) c.setUp(bus, savers);

    ScreenSaverWatch watch([](bool) { ADD_FAILURE() << "told of a change at the start"; });
    const auto started = std::chrono::steady_clock::now();
    watch.Start();
    EXPECT_LT(std::chrono::steady_clock::now() - started, kQuickly);
    EXPECT_EQ(watch.Active(), c.active);
    EXPECT_EQ(watch.Unwatched(), "");
    QTest::qWait(50);  // a service started on demand would be running now
    EXPECT_FALSE(bus.StartedAService());
  }
}

TEST(ScreenSaverWatchTest, WithoutAnAnsweringSessionBusNothingIsWatched) {
  testing::TempFolder runtime;  // holds no bus socket
  const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("XDG_RUNTIME_DIR", runtime.path().c_str());
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  const struct {
    const char* name;
    bool hungBus;
    const char* reason;
  } cases[] = {
      {"no session bus", false, "there is no session bus"},
      {"a session bus that hangs", true, "the session bus cannot be reached"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<SessionBus> bus;
    if (c.hungBus) (bus = std::make_unique<SessionBus>())->Hang();
    ScreenSaverWatch watch(nullptr);
    const auto started = std::chrono::steady_clock::now();
    watch.Start();
    EXPECT_LT(std::chrono::steady_clock::now() - started, kQuickly);
    EXPECT_FALSE(watch.Active());
    EXPECT_EQ(watch.Unwatched().rfind(c.reason, 0), 0u) << watch.Unwatched();
  }
  qputenv("XDG_RUNTIME_DIR", savedRuntime);
  if (!savedBus.isEmpty()) qputenv("DBUS_SESSION_BUS_ADDRESS", savedBus);
}

TEST(ScreenSaverWatchTest, TellsEachChangeUntilEndedFromItsOwnSink) {
  SessionBus bus;
  std::vector<bool> told;
  std::unique_ptr<ScreenSaverWatch> watch;
  watch = std::make_unique<ScreenSaverWatch>([&](bool locked) {
    EXPECT_EQ(locked, watch->Active());
    told.push_back(locked);
    if (told.size() == 4) watch.reset();
  });
  watch->Start();
  ASSERT_EQ(watch->Unwatched(), "");
  std::list<Saver> savers;

  // Signals of one sender come in the order sent, so a wrong change told by
  // one step shows in the next step's list at the latest.
  const struct {
    const char* name;
    std::function<void()> change;
    std::vector<bool> told;
  } steps[] = {
      {"a screen saver started after the watch shows",
       [&] { savers.emplace_back(bus, Kind::Freedesktop, false).Show(true); },
       {true}},
      {"a second one shows too", [&] { savers.emplace_back(bus, Kind::Gnome, true); }, {true}},
      {"the first stops showing, the second still shows", [&] { savers.front().Show(false); }, {true}},
      {"the second stops too", [&] { savers.back().Show(false); }, {true, false}},
      {"the first shows again", [&] { savers.front().Show(true); }, {true, false, true}},
      {"it leaves the bus while showing, which ends the watch",
       [&] { savers.front().End(); },
       {true, false, true, false}},
      {"nothing after the end", [&] { savers.back().Show(true); }, {true, false, true, false}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    const size_t before = told.size();
    step.change();
    if (step.told.size() > before)
      ASSERT_TRUE(QTest::qWaitFor([&] { return told.size() >= step.told.size(); }, kSetUpLimitMs));
    else
      QTest::qWait(200);
    EXPECT_EQ(told, step.told);
  }
}

}  // namespace
}  // namespace vuruzid::capture::screensaver
