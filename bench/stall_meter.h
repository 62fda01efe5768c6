// The longest stall of the event loop while a benchmark's work runs.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "bench_figures.h"

namespace lobbyfind::bench {

// Records the longest gap between two turns of the event loop while it runs
// (a precise 1 ms timer: a turn that takes longer shows as a longer gap),
// and at each turn asks whether the work being timed is done. Beside it, the
// longest turn in CPU time of the window's thread: on a machine shared with
// other work a wall-clock gap may be time the thread was not running at all.
class StallMeter {
 public:
  explicit StallMeter(std::function<void(double now)> each_turn = {}) : each_turn_(std::move(each_turn)) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const double now = NowMs();
      const double cpu = ThreadCpuMs();
      if (last_ > 0 && now - last_ > longest_) longest_ = now - last_;
      if (last_cpu_ > 0 && cpu - last_cpu_ > longest_cpu_) longest_cpu_ = cpu - last_cpu_;
      last_ = now;
      last_cpu_ = cpu;
      if (each_turn_) each_turn_(now);
    });
  }
  void Start() {
    longest_ = 0;
    longest_cpu_ = 0;
    last_ = NowMs();
    last_cpu_ = ThreadCpuMs();
    timer_.start(1);
  }
  double Stop() {
    timer_.stop();
    return longest_;
  }
  // After Stop: the longest turn in the thread's CPU time.
  [[nodiscard]] double LongestCpu() const { return longest_cpu_; }

 private:
  std::function<void(double)> each_turn_;
  QTimer timer_;
  double last_ = 0;
  double longest_ = 0;
  double last_cpu_ = 0;
  double longest_cpu_ = 0;
};

}  // namespace lobbyfind::bench
