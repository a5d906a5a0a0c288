#pragma once

#include <memory>
#include <string>

// libdbus's own types, named here so that users of these helpers need not see
// libdbus's headers unless they call it themselves.
struct DBusConnection;
struct DBusError;
struct DBusMessage;

namespace vuruzid::platform::dbus {

struct ConnectionCloser {
  void operator()(DBusConnection* bus) const;
};
struct MessageReleaser {
  void operator()(DBusMessage* message) const;
};

// A private connection: closed and released with its owner.
using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;
using Message = std::unique_ptr<DBusMessage, MessageReleaser>;

// A connection of its own to the bus at `address`, shared with nobody else in
// the process; null, with libdbus's reason in `whyNot` (if given), when none
// can be opened. Nothing is asked on it yet: see SayHello.
Connection OpenPrivate(const std::string& address, std::string* whyNot);

// The message of a set error ("no answer" if it has none); frees the error.
std::string TakeError(DBusError& error);

}  // namespace vuruzid::platform::dbus
