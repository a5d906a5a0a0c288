#include "platform/dbus/Connection.h"

#include <dbus/dbus.h>

#include <utility>

namespace vuruzid::platform::dbus {

void ConnectionCloser::operator()(DBusConnection* bus) const {
  dbus_connection_close(bus);
  dbus_connection_unref(bus);
}

void MessageReleaser::operator()(DBusMessage* message) const { dbus_message_unref(message); }

Connection OpenPrivate(const std::string& address, std::string* whyNot) {
  DBusError error;
  dbus_error_init(&error);
  Connection bus(dbus_connection_open_private(address.c_str(), &error));
  if (bus == nullptr) {
    std::string why = TakeError(error);
    if (whyNot != nullptr) *whyNot = std::move(why);
  }
  return bus;
}

std::string TakeError(DBusError& error) {
  std::string message = error.message != nullptr ? error.message : "no answer";
  dbus_error_free(&error);
  return message;
}

}  // namespace vuruzid::platform::dbus
