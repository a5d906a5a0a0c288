#pragma once

namespace vuruzid::keywatch {

// Ends the running Qt event loop when the process gets SIGINT, SIGTERM or SIGHUP, so
// that everything is torn down normally (the capture removed) instead of the
// process dying inside a handler. Call once, after the application exists.
bool QuitOnSignals();

}  // namespace vuruzid::keywatch
