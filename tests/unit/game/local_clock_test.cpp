#include "game/local_clock.h"

#include <gtest/gtest.h>

namespace lobbyfind::game {
namespace {

class FixedClock final : public ports::Clock {
 public:
  explicit FixedClock(std::int32_t ms) : ms_(ms) {}
  std::int32_t MsSinceMidnight() const override { return ms_; }
  std::int64_t MonotonicMs() const override { return 0; }

 private:
  std::int32_t ms_;
};

TEST(MsSinceMidnight, CountsFromLocalMidnight) {
  struct Case {
    int h, m, s, ms;
    std::int32_t expected;
  };
  for (const auto& c : {Case{0, 0, 0, 0, 0}, Case{23, 59, 59, 999, 86399999}, Case{1, 2, 3, 4, 3723004},
                        Case{12, 0, 0, 0, 43200000}}) {
    EXPECT_EQ(MsSinceMidnight(FixedClock(ports::MsOfDay(c.h, c.m, c.s, c.ms))), c.expected);
  }
}

TEST(MsSinceMidnight, MachineClockIsWithinTheDay) {
  const auto now = MsSinceMidnight();
  EXPECT_GE(now, 0);
  EXPECT_LE(now, 86399999);
}

}  // namespace
}  // namespace lobbyfind::game
