#pragma once

#include <string>

namespace vuruzid::platform {

// The value of an environment variable of this process; empty when unset.
std::string EnvironmentValue(const char* name);

}  // namespace vuruzid::platform
