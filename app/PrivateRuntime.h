#pragma once

#include <QString>

// The lock and the socket that keep one running copy must be out of other
// users' reach: in a folder anyone may write, another user could plant a lock
// and a socket of their own and make every start end at once.
namespace vuruzid::app {

// The folder for this user's lock and socket: `runtime` ($XDG_RUNTIME_DIR)
// when only this user can reach it, else a folder of this user's own in
// `temporary`, made if missing. A folder only this user can reach is a real
// folder, not a link, owned by this user, with no access for anyone else.
// Empty, with the reason in `why`, when neither may be used.
QString PrivateRuntimeFolder(const QString& runtime, const QString& temporary, QString& why);

// Whether the process at the other end of a connected local socket runs as
// this user. False when it cannot be told.
bool PeerIsThisUser(qintptr socketDescriptor);

}  // namespace vuruzid::app
