#include "capture/dbus/BusAnswers.h"

#include <dbus/dbus.h>

namespace vuruzid::capture::dbus {
namespace {

using Clock = std::chrono::steady_clock;

std::string Take(DBusError& error) {
  std::string message = error.message != nullptr ? error.message : "no answer";
  dbus_error_free(&error);
  return message;
}

// Sends Hello and serves the connection until its answer or the deadline:
// libdbus's own blocking call would wait 25 s.
bool Hello(DBusConnection* bus, Clock::time_point deadline, std::string* whyNot) {
  DBusMessage* hello = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello");
  DBusPendingCall* pending = nullptr;
  const bool sent = hello != nullptr && dbus_connection_send_with_reply(bus, hello, &pending, DBUS_TIMEOUT_INFINITE) &&
                    pending != nullptr;
  if (hello != nullptr) dbus_message_unref(hello);
  if (!sent) {
    *whyNot = "it cannot be asked";
    return false;
  }
  bool connected = true;
  while (connected && !dbus_pending_call_get_completed(pending)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    connected = dbus_connection_read_write_dispatch(bus, static_cast<int>(left.count()));
  }
  DBusMessage* reply = dbus_pending_call_get_completed(pending) ? dbus_pending_call_steal_reply(pending) : nullptr;
  dbus_pending_call_cancel(pending);
  dbus_pending_call_unref(pending);
  DBusError error;
  dbus_error_init(&error);
  const bool answered = reply != nullptr && !dbus_set_error_from_message(&error, reply);
  if (reply != nullptr) dbus_message_unref(reply);
  if (!answered)
    *whyNot = dbus_error_is_set(&error) ? Take(error)
              : connected               ? "it takes the connection but does not answer in time"
                                        : "it closed the connection";
  dbus_error_free(&error);
  return answered;
}

}  // namespace

bool BusAnswers(const std::string& address, std::chrono::milliseconds within, std::string* whyNot) {
  const Clock::time_point deadline = Clock::now() + within;
  std::string why;
  bool answers = false;
  if (address.empty()) {
    why = "no address";
  } else {
    DBusError error;
    dbus_error_init(&error);
    if (DBusConnection* bus = dbus_connection_open_private(address.c_str(), &error); bus == nullptr) {
      why = Take(error);
    } else {
      answers = Hello(bus, deadline, &why);
      dbus_connection_close(bus);
      dbus_connection_unref(bus);
    }
  }
  if (!answers && whyNot != nullptr) *whyNot = why;
  return answers;
}

}  // namespace vuruzid::capture::dbus
