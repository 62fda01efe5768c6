// The longest stall of the event loop while a benchmark's work runs.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "bench_figures.h"

namespace lobbyfind::bench {

// Records the longest gap between two turns of the event loop while it runs
// (a precise 1 ms timer: a turn that takes longer shows as a longer gap),
// and at each turn asks whether the work being timed is done.
class StallMeter {
 public:
  explicit StallMeter(std::function<void(double now)> each_turn = {}) : each_turn_(std::move(each_turn)) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const double now = NowMs();
      if (last_ > 0 && now - last_ > longest_) longest_ = now - last_;
      last_ = now;
      if (each_turn_) each_turn_(now);
    });
  }
  void Start() {
    longest_ = 0;
    last_ = NowMs();
    timer_.start(1);
  }
  double Stop() {
    timer_.stop();
    return longest_;
  }

 private:
  std::function<void(double)> each_turn_;
  QTimer timer_;
  double last_ = 0;
  double longest_ = 0;
};

}  // namespace lobbyfind::bench
