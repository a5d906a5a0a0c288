#pragma once

#include <string>

namespace vuruzid::platform::dbus {

// The session bus as libdbus finds it, but never one it would launch (for an X
// display without a session bus, libdbus starts a bus of its own): the
// address in DBUS_SESSION_BUS_ADDRESS, else the user's socket in
// XDG_RUNTIME_DIR. Empty when there is none.
std::string SessionBusAddress();

// The system bus: DBUS_SYSTEM_BUS_ADDRESS, else its usual socket.
std::string SystemBusAddress();

}  // namespace vuruzid::platform::dbus
