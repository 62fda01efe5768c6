#include "presence/departure_times.h"

#include <gtest/gtest.h>

#include <vector>

namespace lobbyfind::presence {
namespace {

TEST(SpreadOverCall, EachRequestIsStampedWhenItsShareOfTheCallWasThrough) {
  struct Case {
    const char* what;
    std::size_t count;
    std::int64_t before_us;
    std::int64_t after_us;
    std::vector<std::int64_t> expected;
  };
  const Case cases[] = {
      {"one request left when the call returned", 1, 1000, 1040, {1040}},
      {"four requests evenly", 4, 1000, 1400, {1100, 1200, 1300, 1400}},
      {"shares that are not whole microseconds round down", 3, 0, 10, {3, 6, 10}},
      {"a call that took no time", 3, 500, 500, {500, 500, 500}},
      {"a clock that went back spreads nothing", 2, 500, 400, {500, 500}},
      {"no request", 0, 0, 100, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::int64_t> stamps(c.count, -1);
    SpreadOverCall(stamps, c.before_us, c.after_us);
    EXPECT_EQ(stamps, c.expected) << c.what;
  }
}

TEST(SpreadOverCall, TouchesOnlyTheStampsOfItsCall) {
  std::vector<std::int64_t> stamps = {7, 7, 0, 0, 9};
  SpreadOverCall(std::span(stamps).subspan(2, 2), 100, 300);
  EXPECT_EQ(stamps, (std::vector<std::int64_t>{7, 7, 200, 300, 9}));
}

}  // namespace
}  // namespace lobbyfind::presence
