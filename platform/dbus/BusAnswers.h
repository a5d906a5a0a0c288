#pragma once

#include <chrono>
#include <string>

namespace vuruzid::platform::dbus {

// Whether the bus at `address` takes a connection and answers the first
// question of every client (Hello) within `within`. Asked on a connection of
// its own, closed again, before a library whose own calls wait 25 s (Qt's
// D-Bus, libatspi) connects: a bus that hangs holds the program up no longer
// than this. Otherwise `whyNot` (if given) says why, in words a person can read.
bool BusAnswers(const std::string& address, std::chrono::milliseconds within, std::string* whyNot);

// The same, by a deadline shared with other questions.
bool BusAnswers(const std::string& address, std::chrono::steady_clock::time_point deadline, std::string* whyNot);

}  // namespace vuruzid::platform::dbus
