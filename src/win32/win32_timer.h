// Timer port on SetTimer: ticks arrive as WM_TIMER through the message loop.
#pragma once

#include <windows.h>

#include "ports/timer.h"

namespace lobbyfind::win32 {

class Win32Timer final : public ports::Timer {
 public:
  Win32Timer();
  ~Win32Timer() override;

  void SetInterval(std::uint32_t ms) override;
  [[nodiscard]] std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override;
  [[nodiscard]] bool Enabled() const override { return enabled_; }

 private:
  void Start();

  UINT id_;
  std::uint32_t interval_ = 1000;
  bool enabled_ = false;
};

}  // namespace lobbyfind::win32
