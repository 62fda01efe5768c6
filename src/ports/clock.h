// The clocks the core reads: local wall-clock time of day for the ping stamps
// shown to the user, and a monotonic clock for time-outs and exact round trips.
#pragma once

#include <cstdint>

namespace lobbyfind::ports {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since local midnight, 0 to 86399999.
  [[nodiscard]] virtual std::int32_t MsSinceMidnight() const = 0;
  // Milliseconds of a clock that never goes back; its origin is arbitrary.
  [[nodiscard]] virtual std::int64_t MonotonicMs() const = 0;
  // The same clock in microseconds, for round trips that are shown to the
  // millisecond and must not lose one to truncation at both ends. A clock
  // that counts only milliseconds gives them in microseconds.
  [[nodiscard]] virtual std::int64_t MonotonicUs() const { return MonotonicMs() * 1000; }
};

// The machine's clocks.
class SystemClock final : public Clock {
 public:
  [[nodiscard]] std::int32_t MsSinceMidnight() const override;
  [[nodiscard]] std::int64_t MonotonicMs() const override;
  [[nodiscard]] std::int64_t MonotonicUs() const override;
};

// Milliseconds since midnight for a time of day: ((h * 60 + m) * 60 + s) * 1000 + ms.
[[nodiscard]] constexpr std::int32_t MsOfDay(int hours, int minutes, int seconds, int millis) {
  return ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
}

}  // namespace lobbyfind::ports
