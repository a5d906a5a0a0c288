#include "app/PrivateRuntime.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vuruzid::app {

namespace {

bool IsPrivateFolder(const QString& folder, QString& why) {
  struct stat info {};
  // lstat: a link would lead wherever its maker chose.
  if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) {
    why = QStringLiteral("%1 cannot be read (%2)").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  if (!S_ISDIR(info.st_mode))
    why = QStringLiteral("%1 is not a folder but a link or a file").arg(folder);
  else if (info.st_uid != ::geteuid())
    why = QStringLiteral("%1 belongs to another user").arg(folder);
  else if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    why = QStringLiteral("%1 is open to other users").arg(folder);
  else
    return true;
  return false;
}

}  // namespace

QString PrivateRuntimeFolder(const QString& runtime, const QString& temporary, QString& why) {
  if (QString ignored; !runtime.isEmpty() && IsPrivateFolder(runtime, ignored)) return runtime;
  const QString own = temporary + QStringLiteral("/QOR_Vuruzid-runtime-%1").arg(::geteuid());
  // One made before, by whoever, is used only if it passes the same check.
  ::mkdir(QFile::encodeName(own).constData(), S_IRWXU);
  return IsPrivateFolder(own, why) ? own : QString();
}

bool PeerIsThisUser(qintptr socketDescriptor) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         size == sizeof peer && peer.uid == ::geteuid();
}

}  // namespace vuruzid::app
