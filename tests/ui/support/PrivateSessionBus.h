#pragma once

#include <QByteArray>
#include <QProcess>

#include <sys/prctl.h>

#include <csignal>
#include <QProcessEnvironment>
#include <QString>
#include <QtGlobal>
#include <optional>

#include "support/TempFolder.h"

namespace vuruzid::testing {

// A session bus of the test's own (dbus-daemon), on which the real
// accessibility bus launcher of at-spi2-core is started on demand. Its
// settings (the desktop's GSettings, where the launcher keeps the switch)
// live in a temporary folder, so a test that flips the desktop's
// accessibility switch touches neither the user's settings nor another
// test's bus. While it lives, this process's session bus is this one.
class PrivateSessionBus {
 public:
  PrivateSessionBus() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((folder_ / "config").string()));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(folder_.path().string()));
    // The system's own: the launcher needs the installed settings schemas (a
    // test's scratch desktop may have pointed these elsewhere).
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/local/share:/usr/share"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    daemon_.setProcessEnvironment(environment);
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.setStandardErrorFile(QProcess::nullDevice());
    // Ends with the test process, also when that crashes.
    daemon_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    if (!daemon_.waitForStarted(5000)) return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address_ = daemon_.readLine().trimmed();
    if (address_.isEmpty()) return;
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) saved_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_);
  }
  ~PrivateSessionBus() {
    if (!address_.isEmpty()) {
      if (saved_)
        qputenv("DBUS_SESSION_BUS_ADDRESS", *saved_);
      else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    daemon_.terminate();  // the launcher and its bus go with it
    if (!daemon_.waitForFinished(3000)) daemon_.kill();
    daemon_.waitForFinished(1000);
  }
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  bool Ready() const { return !address_.isEmpty(); }

  // The desktop's accessibility switch, asked or set with gdbus as another
  // program would; nothing when it cannot be asked.
  std::optional<bool> Switch() const {
    const QString answer =
        Gdbus({"call", "--session", "--timeout", "5", "-d", "org.a11y.Bus", "-o", "/org/a11y/bus", "-m",
               "org.freedesktop.DBus.Properties.Get", "org.a11y.Status", "IsEnabled"});
    if (answer.contains("true")) return true;
    if (answer.contains("false")) return false;
    return std::nullopt;
  }
  void SetSwitch(bool on) const {
    Gdbus({"call", "--session", "--timeout", "5", "-d", "org.a11y.Bus", "-o", "/org/a11y/bus", "-m",
           "org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "IsEnabled", on ? "<true>" : "<false>"});
  }

 private:
  QString Gdbus(const QStringList& arguments) const {
    QProcess gdbus;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLatin1(address_));
    gdbus.setProcessEnvironment(environment);
    gdbus.start(QStringLiteral("gdbus"), arguments);
    if (!gdbus.waitForFinished(8000)) {
      gdbus.kill();
      gdbus.waitForFinished(1000);
      return {};
    }
    return QString::fromUtf8(gdbus.readAllStandardOutput());
  }

  TempFolder folder_;
  QProcess daemon_;
  QByteArray address_;
  std::optional<QByteArray> saved_;
};

}  // namespace vuruzid::testing
