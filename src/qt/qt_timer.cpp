#include "qt/qt_timer.h"

#include <algorithm>
#include <limits>

namespace lobbyfind::qt {

QtTimer::QtTimer() {
  timer_.setInterval(static_cast<int>(interval_));
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (OnTimer) OnTimer();
  });
}

void QtTimer::SetInterval(std::uint32_t ms) {
  interval_ = ms;
  // QTimer takes an int; longer intervals than 24 days are held at that.
  timer_.setInterval(static_cast<int>(std::min<std::uint32_t>(ms, std::numeric_limits<int>::max())));
}

std::uint32_t QtTimer::Interval() const { return interval_; }

void QtTimer::SetEnabled(bool enabled) {
  if (enabled) {
    if (!timer_.isActive()) timer_.start();
  } else {
    timer_.stop();
  }
}

bool QtTimer::Enabled() const { return timer_.isActive(); }

}  // namespace lobbyfind::qt
