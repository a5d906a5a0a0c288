#include "app/SingleInstance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>
#include <system_error>

#include "app/PrivateRuntime.h"

namespace {

namespace fs = std::filesystem;

constexpr char kBringForward[] = "bring-forward\n";
constexpr char kDone[] = "done\n";
// A copy that has just taken the lock may still be on its way to listening.
constexpr int kConnectForMs = 3000;
constexpr int kAnswerWithinMs = 5000;

fs::path AbsoluteFolder(const fs::path& folder) {
  std::error_code ec;
  fs::path absolute = fs::absolute(folder, ec);
  if (ec) absolute = folder;
  // The same folder reached through a link or with "." and ".." gets the same name.
  fs::path canonical = fs::weakly_canonical(absolute, ec);
  return ec ? absolute.lexically_normal() : canonical;
}

}  // namespace

QString SingleInstance::KeyFor(const fs::path& dataFolder) {
  std::string path = AbsoluteFolder(dataFolder).string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(path), QCryptographicHash::Sha1);
  return QStringLiteral("QOR_Vuruzid-") + QString::fromLatin1(hash.toHex().left(24));
}

QString SingleInstance::SocketPathFor(const fs::path& dataFolder, QString& why) {
  const QString folder =
      vuruzid::app::PrivateRuntimeFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), why);
  return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + KeyFor(dataFolder);
}

SingleInstance::SingleInstance(const fs::path& dataFolder) : socketPath_(SocketPathFor(dataFolder, unguardedBecause_)) {
  if (socketPath_.isEmpty()) return;
  lock_.emplace(LockPathFor(socketPath_));
  // Only a lock whose process has gone is stale, however old it is.
  lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

SingleInstance::Claim SingleInstance::ClaimDataFolder() {
  if (!lock_) {
    std::fprintf(stderr, "QOR_Vuruzid: %s; a second copy would not be noticed.\n", qPrintable(unguardedBecause_));
    return Claim::Unguarded;
  }
  if (lock_->tryLock(0)) return Listen() ? Claim::First : Claim::Unguarded;
  if (lock_->error() != QLockFile::LockFailedError) {
    std::fprintf(stderr, "QOR_Vuruzid: the lock %s cannot be made; a second copy would not be noticed.\n",
                 qPrintable(lock_->fileName()));
    return Claim::Unguarded;
  }
  return AskRunningCopyToComeForward() ? Claim::Forwarded : Claim::NoAnswer;
}

bool SingleInstance::Listen() {
  // The lock is ours, so a socket by this name was left by a copy that was killed.
  QLocalServer::removeServer(socketPath_);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] { Answer(); });
  if (server_->listen(socketPath_)) return true;
  std::fprintf(stderr, "QOR_Vuruzid: cannot listen on %s (%s); a second copy cannot bring this one forward.\n",
               qPrintable(socketPath_), qPrintable(server_->errorString()));
  server_.reset();
  return false;
}

void SingleInstance::Answer() {
  while (QLocalSocket* connection = server_->nextPendingConnection()) {
    if (!vuruzid::app::PeerIsThisUser(connection->socketDescriptor())) {
      connection->abort();
      connection->deleteLater();
      continue;
    }
    QObject::connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    QObject::connect(connection, &QLocalSocket::readyRead, connection, [this, connection] {
      while (connection->canReadLine()) {
        if (connection->readLine(64) != kBringForward) continue;  // anything else is not ours to act on
        if (bringForward_) bringForward_();
        connection->write(kDone);
        connection->flush();
      }
      // A peer that sends a long line without an end is not one of ours.
      if (connection->bytesAvailable() > 64) connection->abort();
    });
  }
}

bool SingleInstance::AskRunningCopyToComeForward() const {
  const QDeadlineTimer connectBy(kConnectForMs);
  QLocalSocket socket;
  while (true) {
    socket.connectToServer(socketPath_);
    if (socket.waitForConnected(500)) break;
    if (connectBy.hasExpired()) return false;
    QThread::msleep(100);
  }
  // A socket of another user's making is not asked: its answer would mean nothing.
  if (!vuruzid::app::PeerIsThisUser(socket.socketDescriptor())) {
    std::fprintf(stderr, "QOR_Vuruzid: %s is held by another user.\n", qPrintable(socketPath_));
    return false;
  }
  socket.write(kBringForward);
  if (!socket.waitForBytesWritten(kAnswerWithinMs)) return false;
  const QDeadlineTimer answerBy(kAnswerWithinMs);
  while (!socket.canReadLine()) {
    if (answerBy.hasExpired() || !socket.waitForReadyRead(static_cast<int>(answerBy.remainingTime()))) return false;
  }
  return socket.readLine(64) == kDone;
}
