#pragma once

#include <optional>
#include <string>

namespace vuruzid::platform {

// The desktop's own accessibility switch: IsEnabled of org.a11y.Status, kept
// on the session bus by at-spi2-core's bus launcher (org.a11y.Bus at
// /org/a11y/bus). Programs that start while it is on (web browsers among
// them) show their windows' contents on the accessibility bus, password
// fields included. Setting it is also remembered by the desktop for later
// logins (GSettings toolkit-accessibility). ScreenReaderEnabled is never
// touched: that one starts a screen reader.
//
// Each call waits a short while at most (about a second) for the bus; neither
// a missing nor a hung session bus can hold the program up or end it.

// The switch as it is now; nothing, with a reason a person can read, when it
// cannot be asked (no session bus, at-spi2-core missing).
std::optional<bool> DesktopAccessibilityEnabled(std::string* whyNot);

// Sets the switch; false, with a reason a person can read, when it cannot.
bool SetDesktopAccessibilityEnabled(bool enabled, std::string* whyNot);

}  // namespace vuruzid::platform
