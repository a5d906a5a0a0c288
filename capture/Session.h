#pragma once

namespace vuruzid::capture {

// True in a Wayland session (XDG_SESSION_TYPE=wayland, or WAYLAND_DISPLAY
// set), where the X server sees only the keys typed into X11 applications.
bool InWaylandSession();

}  // namespace vuruzid::capture
