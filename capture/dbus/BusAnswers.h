#pragma once

#include <chrono>
#include <string>

namespace vuruzid::capture::dbus {

// Whether the bus at `address` takes a connection and answers the first
// question of every client (Hello) within `within`. Asked on a connection of
// its own, closed again, before a library whose own calls wait 25 s (Qt's
// D-Bus, libatspi) connects: a bus that hangs holds the program up no longer
// than this. Otherwise `whyNot` (if given) says why, in words a person can read.
bool BusAnswers(const std::string& address, std::chrono::milliseconds within, std::string* whyNot);

}  // namespace vuruzid::capture::dbus
