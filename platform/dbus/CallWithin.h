#pragma once

#include "platform/dbus/Connection.h"

#include <chrono>
#include <string>
#include <string_view>

namespace vuruzid::platform::dbus {

// What CallWithin says when the deadline passes on a connection still open.
inline constexpr std::string_view kNoAnswerInTime = "no answer in time";

// Sends `call` on `bus` and serves the connection until its answer or the
// deadline: libdbus's own blocking call waits 25 s, and without end for a bus
// that takes the connection but never answers. The reply, or null with the
// reason in `whyNot` (if given): the error's message, kNoAnswerInTime, "it
// closed the connection" or "it cannot be asked" (no call, or not sent). An
// error answer also names itself in `errorName` (if given), e.g.
// DBUS_ERROR_SERVICE_UNKNOWN.
Message CallWithin(DBusConnection* bus, DBusMessage* call, std::chrono::steady_clock::time_point deadline,
                   std::string* whyNot, std::string* errorName = nullptr);

// Hello, the first call of every client on a new connection, within the
// deadline; false with the reason as CallWithin gives it.
bool SayHello(DBusConnection* bus, std::chrono::steady_clock::time_point deadline, std::string* whyNot);

}  // namespace vuruzid::platform::dbus
