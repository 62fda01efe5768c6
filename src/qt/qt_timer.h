// Timer port over QTimer: ticks come through the Qt event loop.
#pragma once

#include <QTimer>

#include "ports/timer.h"

namespace lobbyfind::qt {

class QtTimer final : public ports::Timer {
 public:
  QtTimer();
  void SetInterval(std::uint32_t ms) override;
  [[nodiscard]] std::uint32_t Interval() const override;
  void SetEnabled(bool enabled) override;
  [[nodiscard]] bool Enabled() const override;

 private:
  QTimer timer_;
  std::uint32_t interval_ = 1000;
};

}  // namespace lobbyfind::qt
