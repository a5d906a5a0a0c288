#pragma once

#include <string>

namespace vuruzid::platform {

// The signals by which a user or a session asks a program to end: SIGTERM
// (a session manager at logout, kill), SIGHUP (the terminal or the session
// went away) and SIGINT (Ctrl+C). Once caught, each arrives as one byte on a
// pipe, so the program ends from its event loop instead of inside a handler.
// The first signal puts the default actions back: a second one ends a program
// that is stuck at once.

// Installs the handlers; returns the pipe's read end (non-blocking, closed on
// exec), or -1 with the reason in `error`. Once per process.
int CatchEndSignals(std::string* error);

// The signal whose byte is next on the pipe; 0 when none is waiting.
int TakeEndSignal(int readEnd);

}  // namespace vuruzid::platform
