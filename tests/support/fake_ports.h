// Hand-driven ports for tests of the core: timers that tick when told, a
// clock set by the test, a shell that records what it was asked to open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/clock.h"
#include "ports/shell.h"
#include "ports/timer.h"

namespace lobbyfind::test {

class FakeTimer final : public ports::Timer {
 public:
  void SetInterval(std::uint32_t ms) override { interval = ms; }
  [[nodiscard]] std::uint32_t Interval() const override { return interval; }
  void SetEnabled(bool value) override { enabled = value; }
  [[nodiscard]] bool Enabled() const override { return enabled; }
  // One elapsed interval; only an enabled timer with a slot ticks.
  void Tick() {
    if (enabled && OnTimer) OnTimer();
  }
  std::uint32_t interval = 1000;
  bool enabled = false;
};

// Makes FakeTimers and keeps a pointer to each, in creation order.
struct FakeTimers {
  std::vector<FakeTimer*> made;
  ports::TimerFactory Factory() {
    return [this] {
      auto timer = std::make_unique<FakeTimer>();
      made.push_back(timer.get());
      return timer;
    };
  }
};

class FakeClock final : public ports::Clock {
 public:
  [[nodiscard]] std::int32_t MsSinceMidnight() const override { return ms_since_midnight; }
  [[nodiscard]] std::int64_t MonotonicMs() const override { return monotonic_ms; }
  std::int32_t ms_since_midnight = 0;
  std::int64_t monotonic_ms = 0;
};

class FakeShell final : public ports::Shell {
 public:
  struct Call {
    std::string target;
    std::string parameters;
    std::string directory;
    friend bool operator==(const Call&, const Call&) = default;
  };
  bool Open(const std::string& target, const std::string& parameters,
            const std::string& directory) override {
    calls.push_back({target, parameters, directory});
    return result;
  }
  std::vector<Call> calls;
  bool result = true;
};

}  // namespace lobbyfind::test
