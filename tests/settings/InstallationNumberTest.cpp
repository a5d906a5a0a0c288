// The installation number: the local date as yymmdd, then 5000 to 8999.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <set>

#include "settings/Settings.h"

namespace vuruzid {
namespace {

std::chrono::system_clock::time_point LocalNoon(int year, int month, int day) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

TEST(InstallationNumber, StartsWithTheLocalDateWithLeadingZeros) {
  EXPECT_EQ(MakeInstallationNumber(LocalNoon(2024, 3, 7)).substr(0, 6), "240307");
  EXPECT_EQ(MakeInstallationNumber(LocalNoon(2009, 1, 5)).substr(0, 6), "090105");
  EXPECT_EQ(MakeInstallationNumber(LocalNoon(2031, 12, 31)).substr(0, 6), "311231");
}

TEST(InstallationNumber, EndsWithFourDigitsSpreadOverTheWholeRange) {
  const auto now = LocalNoon(2024, 3, 7);
  std::set<int> tails;
  for (int i = 0; i < 2000; ++i) {
    const std::string number = MakeInstallationNumber(now);
    ASSERT_EQ(number.size(), 10u);
    ASSERT_TRUE(std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        << number;
    tails.insert(std::stoi(number.substr(6)));
  }
  EXPECT_GE(*tails.begin(), 5000);
  EXPECT_LE(*tails.rbegin(), 8999);
  // Uniform over 4000 values: 2000 draws reach both ends and rarely repeat.
  EXPECT_LT(*tails.begin(), 5100);
  EXPECT_GT(*tails.rbegin(), 8900);
  EXPECT_GT(tails.size(), 1500u);
}

}  // namespace
}  // namespace vuruzid
