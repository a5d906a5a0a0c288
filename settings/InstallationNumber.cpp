#include <cstdio>
#include <ctime>
#include <random>

#include "settings/Settings.h"

namespace vuruzid {

std::string MakeInstallationNumber(std::chrono::system_clock::time_point now) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);

  // Seeded from both the system's entropy source and the clock, so that two
  // installations made in the same second still differ.
  const auto ticks = static_cast<unsigned long long>(now.time_since_epoch().count());
  std::random_device entropy;
  std::seed_seq seed{entropy(), static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32)};
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> draw(0, 3999);

  char digits[40];  // room for any int the compiler cannot rule out
  std::snprintf(digits, sizeof digits, "%02d%02d%02d%04d", local.tm_year % 100, local.tm_mon + 1,
                local.tm_mday, 5000 + draw(generator));
  return digits;
}

}  // namespace vuruzid
