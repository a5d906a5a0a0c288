#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <memory>

namespace vuruzid::capture::testing {

// python3-dbusmock's logind on a bus of its own, put where the system bus is
// looked for, with one session "c1" of this user that the process belongs to
// (XDG_SESSION_ID). Ready() is false where dbus-daemon or dbusmock is missing.
class LoginStandIn {
 public:
  explicit LoginStandIn(bool active) {
    Spawn(daemon_, "dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(kSetUpLimitMs)) continue;
    const QByteArray address = daemon_.readLine().trimmed();
    if (address.isEmpty()) return;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    qputenv("XDG_SESSION_ID", "c1");
    bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QString::fromLatin1(address), "login"));
    logind_.setStandardOutputFile(QProcess::nullDevice());
    // The system's Python, which python3-dbusmock is installed for.
    Spawn(logind_, "/usr/bin/python3", {"-m", "dbusmock", "--system", "--template", "logind"});
    if (!QTest::qWaitFor([&] { return Registered() || logind_.state() == QProcess::NotRunning; }, kSetUpLimitMs))
      return;
    ready_ = Registered() && Call("/org/freedesktop/login1", "org.freedesktop.DBus.Mock", "AddSession",
                                  {"c1", "seat0", static_cast<uint>(getuid()), "someone", active});
  }
  ~LoginStandIn() {
    logind_.terminate();
    logind_.waitForFinished();
    bus_.reset();
    QDBusConnection::disconnectFromBus("login");
    daemon_.terminate();
    daemon_.waitForFinished();
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qunsetenv("XDG_SESSION_ID");
  }
  LoginStandIn(const LoginStandIn&) = delete;
  LoginStandIn& operator=(const LoginStandIn&) = delete;

  bool Ready() const { return ready_; }
  // Another session comes to the front, or this one comes back.
  bool SetActive(bool active) {
    return Call("/org/freedesktop/login1/session/c1", "org.freedesktop.DBus.Properties", "Set",
                {"org.freedesktop.login1.Session", "Active", QVariant::fromValue(QDBusVariant(active))});
  }

 private:
  static constexpr int kSetUpLimitMs = 30000;  // against a broken set-up only

  bool Registered() const { return bus_ && bus_->interface()->isServiceRegistered("org.freedesktop.login1").value(); }
  bool Call(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", path, interface, method);
    call.setArguments(arguments);
    return bus_ && bus_->call(call).type() == QDBusMessage::ReplyMessage;
  }
  // Started so that it ends with the test, even with one that crashes.
  static void Spawn(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
  }

  QProcess daemon_, logind_;
  std::unique_ptr<QDBusConnection> bus_;
  bool ready_ = false;
};

}  // namespace vuruzid::capture::testing
