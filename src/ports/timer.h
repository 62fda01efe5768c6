// A periodic timer owned by the core. The edge delivers ticks on the one
// user-interface thread, never while another handler of the core runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace lobbyfind::ports {

class Timer {
 public:
  Timer() = default;
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  virtual ~Timer() = default;

  // The interval in milliseconds; a running timer restarts its period.
  virtual void SetInterval(std::uint32_t ms) = 0;
  [[nodiscard]] virtual std::uint32_t Interval() const = 0;

  virtual void SetEnabled(bool enabled) = 0;
  [[nodiscard]] virtual bool Enabled() const = 0;

  // Raised once per elapsed interval while enabled.
  std::function<void()> OnTimer;
};

using TimerFactory = std::function<std::unique_ptr<Timer>()>;

}  // namespace lobbyfind::ports
