#include "platform/NoCoreDumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

namespace vuruzid::platform {

bool ForbidCoreDumps(std::string* whyNot) {
  const auto fail = [&](const char* what) {
    if (whyNot) *whyNot = std::string(what) + ": " + std::strerror(errno);
    return false;
  };
  // Only the soft limit: programs started from here (a browser for a link)
  // may still allow their own core files.
  rlimit limit{};
  if (getrlimit(RLIMIT_CORE, &limit) != 0) return fail("the core-file limit cannot be read");
  limit.rlim_cur = 0;
  if (setrlimit(RLIMIT_CORE, &limit) != 0) return fail("the core-file limit cannot be set to zero");
  if (prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) return fail("the process cannot be made undumpable");
  return true;
}

}  // namespace vuruzid::platform
