#include "capture/logind/SessionActivity.h"

#include "capture/BusWatchRelease.h"

#include "platform/dbus/BusAddress.h"
#include "platform/dbus/BusAnswers.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QObject>
#include <QVariantMap>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace vuruzid::capture::logind {
namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kUser = QStringLiteral("org.freedesktop.login1.User");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// logind answers within milliseconds. The questions are asked while checking
// is being switched on, so a logind that hangs, or is only now being started,
// must not hold that up noticeably; without an answer the keys are read as
// they would be without this watch.
constexpr int kAnswerWithinMs = 500;
// The same for the bus itself, asked before Qt connects: Qt waits 25 s for a
// bus that takes the connection and never answers.
constexpr std::chrono::milliseconds kBusAnswersWithin{500};

const QString kActive = QStringLiteral("Active");
const QString kLockedHint = QStringLiteral("LockedHint");

// One answer of logind, or why there is none.
struct Answer {
  QVariant value;
  QString error;      // empty when answered
  bool heard = true;  // false when logind did not answer at all
  bool ok() const { return error.isEmpty(); }
};

// Whether an error means that logind is not there to ask, rather than that it
// does not know what it was asked.
bool NotHeard(QDBusError::ErrorType type) {
  switch (type) {
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::ServiceUnknown:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
      return true;
    default:
      return false;
  }
}

Answer Ask(const QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
           const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(kLogind, path, interface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kAnswerWithinMs);
  if (reply.type() == QDBusMessage::ReplyMessage)
    return reply.arguments().isEmpty() ? Answer{{}, QStringLiteral("an empty answer")}
                                       : Answer{reply.arguments().first(), {}};
  // A message of several lines (a service's traceback) ends with what went wrong.
  const QDBusError error(reply);
  const QString said = error.message().trimmed().split(QLatin1Char('\n')).last();
  return {{}, said.isEmpty() ? error.name() : said, !NotHeard(error.type())};
}

Answer Property(const QDBusConnection& bus, const QString& path, const QString& interface, const QString& name) {
  Answer answer = Ask(bus, path, kProperties, QStringLiteral("Get"), {interface, name});
  if (answer.ok()) answer.value = answer.value.value<QDBusVariant>().variant();
  return answer;
}

// The session object an answer names, as a plain object path or as logind's
// (name, path) pair; "/" stands for none.
Answer SessionPathIn(Answer answer) {
  if (!answer.ok()) return answer;
  QDBusObjectPath path = answer.value.value<QDBusObjectPath>();
  if (answer.value.metaType() == QMetaType::fromType<QDBusArgument>()) {
    const auto pair = answer.value.value<QDBusArgument>();
    if (pair.currentSignature() == QLatin1String("(so)")) {
      QString name;
      pair.beginStructure();
      pair >> name >> path;
      pair.endStructure();
    }
  }
  if (path.path().isEmpty() || path.path() == QLatin1String("/")) return {{}, QStringLiteral("none")};
  return {path.path(), {}};
}

struct Way {
  QString what;
  std::function<Answer(const QDBusConnection&)> find;
};

// The ways to this program's login session, most direct first: the session
// its login named, the session its process belongs to, and for a program
// that the user's service manager started outside any session, the user's
// graphical session (where logind's "session/auto" leads such a program too).
std::vector<Way> WaysToTheSession() {
  std::vector<Way> ways;
  if (const QString id = qEnvironmentVariable("XDG_SESSION_ID"); !id.isEmpty())
    ways.push_back({QStringLiteral("session \"%1\" (XDG_SESSION_ID)").arg(id), [id](const QDBusConnection& bus) {
                      return SessionPathIn(Ask(bus, kManagerPath, kManager, QStringLiteral("GetSession"), {id}));
                    }});
  ways.push_back({QStringLiteral("the session of process %1").arg(getpid()), [](const QDBusConnection& bus) {
                    return SessionPathIn(Ask(bus, kManagerPath, kManager, QStringLiteral("GetSessionByPID"),
                                             {static_cast<uint>(getpid())}));
                  }});
  ways.push_back({QStringLiteral("the graphical session of user %1").arg(getuid()), [](const QDBusConnection& bus) {
                    const Answer user =
                        Ask(bus, kManagerPath, kManager, QStringLiteral("GetUser"), {static_cast<uint>(getuid())});
                    if (!user.ok()) return user;
                    return SessionPathIn(
                        Property(bus, user.value.value<QDBusObjectPath>().path(), kUser, QStringLiteral("Display")));
                  }});
  return ways;
}

}  // namespace

// Receives the session's change signal on the watch's own connection.
class SessionWatch : public QObject {
  Q_OBJECT

 public:
  SessionWatch(SessionActivity* owner, QString connection) : owner_(owner), connection_(std::move(connection)) {}
  ~SessionWatch() override {
    Unsubscribe();
    QDBusConnection::disconnectFromBus(connection_);
  }

  QDBusConnection Bus() const { return QDBusConnection(connection_); }
  bool Subscribe(const QString& path) {
    Unsubscribe();
    if (!Bus().connect(kLogind, path, kProperties, QStringLiteral("PropertiesChanged"), this, Slot())) return false;
    path_ = path;
    return true;
  }
  void Unsubscribe() {
    if (!path_.isEmpty())
      Bus().disconnect(kLogind, path_, kProperties, QStringLiteral("PropertiesChanged"), this, Slot());
    path_.clear();
  }
  // Lets go of the owner; false while telling it a change, when the watch
  // must stay until the signal has been handled.
  bool Release() {
    owner_ = nullptr;
    return !telling_;
  }

 private slots:
  void OnPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& /*invalidated*/) {
    // logind sends the new values of Active and LockedHint along, so a change
    // never has to be asked for.
    if (interface != kSession || owner_ == nullptr) return;
    const std::optional<bool> active = YesOrNo(changed.value(kActive));
    const std::optional<bool> locked = YesOrNo(changed.value(kLockedHint));
    if (!active && !locked) return;
    telling_ = true;
    owner_->Follow(active.value_or(owner_->Active()), locked.value_or(owner_->Locked()));
    telling_ = false;
  }

 private:
  static std::optional<bool> YesOrNo(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<bool>()) return std::nullopt;
    return value.toBool();
  }
  static const char* Slot() { return SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)); }
  SessionActivity* owner_;
  QString connection_;
  QString path_;
  bool telling_ = false;
};

SessionActivity::SessionActivity(ActivitySink onChanged) : onChanged_(std::move(onChanged)) {}

SessionActivity::~SessionActivity() { CloseWatch(); }

void SessionActivity::Start() {
  Stop();
  if (QCoreApplication::instance() == nullptr) {
    unwatched_ = "the program's event loop is not running";
    return;
  }
  const std::string address = platform::dbus::SystemBusAddress();
  if (std::string why; !platform::dbus::BusAnswers(address, kBusAnswersWithin, &why)) {
    unwatched_ = "the system bus cannot be reached (" + why + ")";
    return;
  }
  static std::atomic<int> connections = 0;
  const QString name = QStringLiteral("vuruzid-session-activity-%1").arg(++connections);
  const QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(address), name);
  watch_ = new SessionWatch(this, name);
  if (!bus.isConnected()) {
    unwatched_ = "the system bus cannot be reached (" + bus.lastError().message().toStdString() + ")";
    CloseWatch();
    return;
  }

  QString missed;
  for (const Way& way : WaysToTheSession()) {
    Answer found = way.find(bus);
    if (found.ok()) {
      const QString path = found.value.toString();
      // Subscribed first, so that no change slips in between.
      if (!watch_->Subscribe(path)) {
        unwatched_ = "the changes of session " + path.toStdString() + " cannot be followed";
        CloseWatch();
        return;
      }
      found = Property(bus, path, kSession, kActive);
      if (found.ok() && found.value.metaType() == QMetaType::fromType<bool>()) {
        active_ = found.value.toBool();
        // Older logind has no LockedHint: the session then never counts as locked.
        const Answer locked = Property(bus, path, kSession, kLockedHint);
        locked_ = locked.ok() && locked.value.metaType() == QMetaType::fromType<bool>() && locked.value.toBool();
        sessionPath_ = path.toStdString();
        unwatched_.clear();
        return;
      }
      watch_->Unsubscribe();
      if (found.ok()) found.error = QStringLiteral("its Active is not a yes or no");
    }
    if (!found.heard) {
      unwatched_ = "logind does not answer on the system bus (" + found.error.toStdString() + ")";
      CloseWatch();
      return;
    }
    missed += QStringLiteral("; ") + way.what + QStringLiteral(": ") + found.error;
  }
  unwatched_ = "logind knows no login session of this program (" + missed.mid(2).toStdString() + ")";
  CloseWatch();
}

void SessionActivity::Stop() {
  CloseWatch();
  active_ = true;
  locked_ = false;
  sessionPath_.clear();
  unwatched_ = "the session is not watched";
}

void SessionActivity::Follow(bool active, bool locked) {
  if (active == active_ && locked == locked_) return;
  active_ = active;
  locked_ = locked;
  const ActivitySink sink = onChanged_;  // the sink may end this watch
  if (sink) sink(active);
}

void SessionActivity::CloseWatch() { ReleaseReceiver(watch_); }

}  // namespace vuruzid::capture::logind

#include "SessionActivity.moc"
