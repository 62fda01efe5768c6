#include "ports/clock.h"

#include <gtest/gtest.h>

namespace lobbyfind::ports {
namespace {

TEST(MsOfDay, BoundsOfTheDay) {
  EXPECT_EQ(MsOfDay(0, 0, 0, 0), 0);
  EXPECT_EQ(MsOfDay(23, 59, 59, 999), 86399999);
  EXPECT_EQ(MsOfDay(14, 5, 9, 87), ((14 * 60 + 5) * 60 + 9) * 1000 + 87);
}

TEST(SystemClock, ReadsWithinTheDayAndMonotonicNeverGoesBack) {
  SystemClock clock;
  const auto ms = clock.MsSinceMidnight();
  EXPECT_GE(ms, 0);
  EXPECT_LE(ms, 86399999);
  const auto a = clock.MonotonicMs();
  const auto b = clock.MonotonicMs();
  EXPECT_LE(a, b);
}

}  // namespace
}  // namespace lobbyfind::ports
