#include "capture/Session.h"

#include "platform/Environment.h"

namespace vuruzid::capture {

bool InWaylandSession() {
  return platform::EnvironmentValue("XDG_SESSION_TYPE") == "wayland" ||
         !platform::EnvironmentValue("WAYLAND_DISPLAY").empty();
}

}  // namespace vuruzid::capture
