#include "capture/screensaver/ScreenSaverWatch.h"

#include "capture/BusWatchRelease.h"

#include "platform/dbus/BusAddress.h"
#include "platform/dbus/BusAnswers.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QObject>
#include <QSet>

#include <atomic>
#include <chrono>
#include <utility>
#include <vector>

namespace vuruzid::capture::screensaver {
namespace {

// A screen saver answers within milliseconds; one that hangs must not hold up
// checking being switched on. All are asked at once, so this is the wait for
// all of them together.
constexpr int kAnswerWithinMs = 300;
// The bus itself, asked before Qt connects: Qt waits without end for a bus
// that takes the connection and never answers.
constexpr std::chrono::milliseconds kBusAnswersWithin{500};

const QString kActiveChanged = QStringLiteral("ActiveChanged");

struct Saver {
  const char* service;  // its well-known name, which is also its interface
  const char* path;
};

// The object paths the desktops use; KDE serves the freedesktop interface on
// both of its paths.
constexpr Saver kSavers[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
    {"org.freedesktop.ScreenSaver", "/ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
    {"org.mate.ScreenSaver", "/org/mate/ScreenSaver"},
    {"org.cinnamon.ScreenSaver", "/org/cinnamon/ScreenSaver"},
    {"org.xfce.ScreenSaver", "/org/xfce/ScreenSaver"},
};

}  // namespace

// Hears the announcements on the watch's own connection, which goes with it:
// nothing subscribed stays behind on the program's other connections.
class SaverWatch : public QObject {
  Q_OBJECT

 public:
  SaverWatch(ScreenSaverWatch* owner, QString connection) : owner_(owner), connection_(std::move(connection)) {}
  ~SaverWatch() override { QDBusConnection::disconnectFromBus(connection_); }

  QDBusConnection Bus() const { return QDBusConnection(connection_); }

  bool Subscribe() {
    QDBusConnection bus = Bus();
    QSet<QString> interfaces;
    for (const Saver& saver : kSavers) interfaces.insert(QLatin1String(saver.service));
    for (const QString& interface : interfaces)
      if (!bus.connect({}, {}, interface, kActiveChanged, this, SLOT(OnActiveChanged(bool, QDBusMessage))))
        return false;
    return bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                       SLOT(OnNameOwnerChanged(QString, QString, QString)));
  }

  // Asks every screen saver there now, all at once. A name without an owner
  // is never started for it, and one that does not answer in time counts as
  // not showing.
  bool AskThoseThere() {
    std::vector<std::pair<QString, QDBusPendingCall>> questions;
    for (const Saver& saver : kSavers) {
      const QString interface = QLatin1String(saver.service);
      QDBusMessage call =
          QDBusMessage::createMethodCall(interface, QLatin1String(saver.path), interface, QStringLiteral("GetActive"));
      call.setAutoStartService(false);
      questions.emplace_back(interface, Bus().asyncCall(call, kAnswerWithinMs));
    }
    for (auto& [interface, question] : questions) {
      question.waitForFinished();
      const QDBusMessage reply = question.reply();
      if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
          reply.arguments().first().metaType() == QMetaType::fromType<bool>())
        Note(reply.service(), interface, reply.arguments().first().toBool());
    }
    return !showing_.isEmpty();
  }

  // Lets go of the owner; false while telling it a change, when the watch
  // must stay until the signal has been handled.
  bool Release() {
    owner_ = nullptr;
    return !telling_;
  }

 private slots:
  void OnActiveChanged(bool active, const QDBusMessage& message) {
    Note(message.service(), message.interface(), active);
    Tell();
  }
  // A screen saver that leaves the bus (ends, crashes) shows nothing any more.
  void OnNameOwnerChanged(const QString& name, const QString& /*oldOwner*/, const QString& newOwner) {
    if (!newOwner.isEmpty() || !name.startsWith(QLatin1Char(':'))) return;
    for (auto it = showing_.begin(); it != showing_.end();) it = it->first == name ? showing_.erase(it) : ++it;
    Tell();
  }

 private:
  // Which sender said it through which interface: one program may serve
  // several of them, and leaves all at once.
  using Source = std::pair<QString, QString>;

  void Note(const QString& sender, const QString& interface, bool active) {
    if (active)
      showing_.insert({sender, interface});
    else
      showing_.remove({sender, interface});
  }
  void Tell() {
    if (owner_ == nullptr) return;
    telling_ = true;
    owner_->Follow(!showing_.isEmpty());
    telling_ = false;
  }

  ScreenSaverWatch* owner_;
  QString connection_;
  QSet<Source> showing_;
  bool telling_ = false;
};

ScreenSaverWatch::ScreenSaverWatch(LockSink onChanged) : onChanged_(std::move(onChanged)) {}

ScreenSaverWatch::~ScreenSaverWatch() { CloseWatch(); }

void ScreenSaverWatch::Start() {
  Stop();
  if (QCoreApplication::instance() == nullptr) {
    unwatched_ = "the program's event loop is not running";
    return;
  }
  const std::string address = platform::dbus::SessionBusAddress();
  if (address.empty()) {
    unwatched_ = "there is no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
    return;
  }
  if (std::string why; !platform::dbus::BusAnswers(address, kBusAnswersWithin, &why)) {
    unwatched_ = "the session bus cannot be reached (" + why + ")";
    return;
  }
  static std::atomic<int> connections = 0;
  const QString name = QStringLiteral("vuruzid-screen-saver-%1").arg(++connections);
  const QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(address), name);
  watch_ = new SaverWatch(this, name);
  if (!bus.isConnected()) {
    unwatched_ = "the session bus cannot be reached (" + bus.lastError().message().toStdString() + ")";
    CloseWatch();
    return;
  }
  // Subscribed first, so that no change slips in between.
  if (!watch_->Subscribe()) {
    unwatched_ = "the screen savers' announcements cannot be followed";
    CloseWatch();
    return;
  }
  active_ = watch_->AskThoseThere();
  unwatched_.clear();
}

void ScreenSaverWatch::Stop() {
  CloseWatch();
  active_ = false;
  unwatched_ = "the screen savers are not watched";
}

void ScreenSaverWatch::Follow(bool active) {
  if (active == active_) return;
  active_ = active;
  const LockSink sink = onChanged_;  // the sink may end this watch
  if (sink) sink(active);
}

void ScreenSaverWatch::CloseWatch() { ReleaseReceiver(watch_); }

}  // namespace vuruzid::capture::screensaver

#include "ScreenSaverWatch.moc"
