#pragma once

#include <string>

namespace vuruzid::platform {

// Keeps a crash of this process from writing its memory to disk: what the
// user types (the word being typed, the display, queued corrections) lives
// there. The process is made not dumpable, which also keeps other processes
// of the same user from attaching to it and reading it, and its own (soft) core-file
// limit is set to zero for any core handler that still asks. False, with the
// reason, when either cannot be set.
bool ForbidCoreDumps(std::string* whyNot);

}  // namespace vuruzid::platform
