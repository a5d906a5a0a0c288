#include "platform/dbus/CallWithin.h"

#include <dbus/dbus.h>

#include <utility>

namespace vuruzid::platform::dbus {
namespace {

using Clock = std::chrono::steady_clock;

void Tell(std::string* whyNot, std::string why) {
  if (whyNot != nullptr) *whyNot = std::move(why);
}

}  // namespace

Message CallWithin(DBusConnection* bus, DBusMessage* call, Clock::time_point deadline, std::string* whyNot,
                   std::string* errorName) {
  DBusPendingCall* pending = nullptr;
  // No time limit of libdbus's own: the loop below keeps the deadline.
  if (call == nullptr || !dbus_connection_send_with_reply(bus, call, &pending, DBUS_TIMEOUT_INFINITE) ||
      pending == nullptr) {
    Tell(whyNot, "it cannot be asked");
    return nullptr;
  }
  bool connected = true;
  while (connected && !dbus_pending_call_get_completed(pending)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    connected = dbus_connection_read_write_dispatch(bus, static_cast<int>(left.count()));
  }
  Message reply(dbus_pending_call_get_completed(pending) ? dbus_pending_call_steal_reply(pending) : nullptr);
  dbus_pending_call_cancel(pending);
  dbus_pending_call_unref(pending);
  DBusError error;
  dbus_error_init(&error);
  if (reply != nullptr && !dbus_set_error_from_message(&error, reply.get())) return reply;
  if (!dbus_error_is_set(&error)) {
    Tell(whyNot, connected ? std::string(kNoAnswerInTime) : "it closed the connection");
    return nullptr;
  }
  if (errorName != nullptr) *errorName = error.name;
  Tell(whyNot, TakeError(error));
  return nullptr;
}

bool SayHello(DBusConnection* bus, Clock::time_point deadline, std::string* whyNot) {
  const Message hello(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello"));
  return CallWithin(bus, hello.get(), deadline, whyNot) != nullptr;
}

}  // namespace vuruzid::platform::dbus
