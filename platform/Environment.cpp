#include "platform/Environment.h"

#include <cstdlib>

namespace vuruzid::platform {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace vuruzid::platform
