#include "platform/dbus/BusAddress.h"

#include "platform/Environment.h"

#include <dbus/dbus.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vuruzid::platform::dbus {

std::string SessionBusAddress() {
  if (std::string address = EnvironmentValue("DBUS_SESSION_BUS_ADDRESS"); !address.empty()) return address;
  const std::string runtime = EnvironmentValue("XDG_RUNTIME_DIR");
  if (runtime.empty()) return {};
  const std::string socket = runtime + "/bus";
  struct stat info {};
  if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != getuid()) return {};
  char* escaped = dbus_address_escape_value(socket.c_str());
  std::string address = std::string("unix:path=") + (escaped != nullptr ? escaped : "");
  dbus_free(escaped);
  return address;
}

std::string SystemBusAddress() {
  const std::string address = EnvironmentValue("DBUS_SYSTEM_BUS_ADDRESS");
  return address.empty() ? "unix:path=/var/run/dbus/system_bus_socket" : address;
}

}  // namespace vuruzid::platform::dbus
