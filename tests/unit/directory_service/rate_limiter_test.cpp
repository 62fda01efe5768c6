#include "rate_limiter.h"

#include <gtest/gtest.h>

namespace lobbyfind::directory_service {
namespace {

int Allowed(RateLimiter& limiter, const std::string& address, int tries, std::int64_t now_ms) {
  int n = 0;
  for (int i = 0; i < tries; ++i) n += limiter.Allow(address, now_ms) ? 1 : 0;
  return n;
}

TEST(RateLimiter, AllowsABurstThenTheRate) {
  RateLimiter limiter(2.0, 5.0);
  EXPECT_EQ(Allowed(limiter, "a", 10, 0), 5);
  EXPECT_EQ(Allowed(limiter, "a", 10, 499), 0);   // not yet a whole token back
  EXPECT_EQ(Allowed(limiter, "a", 10, 1000), 2);  // two a second
  EXPECT_EQ(Allowed(limiter, "a", 10, 60000), 5);  // refills up to the burst, not beyond
}

TEST(RateLimiter, AddressesHaveTheirOwnBudget) {
  RateLimiter limiter(1.0, 3.0);
  EXPECT_EQ(Allowed(limiter, "a", 5, 0), 3);
  EXPECT_EQ(Allowed(limiter, "b", 5, 0), 3);
}

TEST(RateLimiter, ZeroRateSwitchesTheLimitOff) {
  RateLimiter limiter(0.0, 1.0);
  EXPECT_EQ(Allowed(limiter, "a", 1000, 0), 1000);
}

TEST(RateLimiter, TrackedAddressesStayBounded) {
  RateLimiter limiter(1.0, 2.0, 10);
  for (int i = 0; i < 100; ++i) (void)limiter.Allow("addr" + std::to_string(i), 0);
  EXPECT_LE(limiter.Tracked(), 10u);
  // An address forgotten after refilling starts with a full bucket, as it would anyway.
  RateLimiter refill(1.0, 2.0, 2);
  EXPECT_EQ(Allowed(refill, "a", 3, 0), 2);
  (void)refill.Allow("b", 0);
  (void)refill.Allow("c", 10000);  // prunes: "a" has long refilled
  EXPECT_EQ(Allowed(refill, "a", 3, 10000), 2);
}

}  // namespace
}  // namespace lobbyfind::directory_service
