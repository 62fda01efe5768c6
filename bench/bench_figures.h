// Printing the benchmarks' figures: one line per figure with its target and
// PASS or FAIL beside it, so that one bench run reads as a checklist.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace lobbyfind::bench {

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

inline double Max(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

inline double Mean(const std::vector<double>& values) {
  if (values.empty()) return 0;
  double sum = 0;
  for (double v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

// Milliseconds of a steady clock, with fractions.
inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// CPU milliseconds the calling thread has used: on a machine shared with
// other work this shows what the wall-clock figures would be on an idle one.
inline double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A figure without a target of its own (shown for context).
inline void Figure(const std::string& name, double value, const char* unit) {
  std::printf("  %-58s %10.3f %-6s\n", name.c_str(), value, unit);
}

// A figure checked against its target. Returns `pass` so callers can count.
inline bool Checked(const std::string& name, double value, const char* unit, const std::string& target, bool pass) {
  std::printf("  %-58s %10.3f %-6s target %-22s %s\n", name.c_str(), value, unit, target.c_str(),
              pass ? "PASS" : "FAIL");
  return pass;
}

inline void Heading(const char* title) {
  std::printf("\n== %s\n", title);
  std::fflush(stdout);
}

// The load of the machine while the figures were taken: other builders share it.
inline void PrintLoad() {
  if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
    char text[128] = {};
    if (std::fgets(text, sizeof text, f) != nullptr) std::printf("  machine load (1/5/15 min, tasks): %s", text);
    std::fclose(f);
  }
}

// The machine's processor time so far, in the kernel's ticks: spent working,
// and "stolen": time a virtual machine's processors were runnable but the
// host ran other guests on them.
struct ProcessorTimes {
  unsigned long long busy = 0;
  unsigned long long steal = 0;
};

inline ProcessorTimes ReadProcessorTimes() {
  ProcessorTimes times;
  if (std::FILE* f = std::fopen("/proc/stat", "r")) {
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    if (std::fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system, &idle, &iowait, &irq,
                    &softirq, &steal) == 8) {
      times = {user + nice + system + irq + softirq, steal};
    }
    std::fclose(f);
  }
  return times;
}

// Printed when a suite starts and ends: the load average (other work on this
// machine) and, at the end, the share of the processor time asked for
// meanwhile that the host withheld. Either stretches every wall-clock figure;
// neither shows in the other.
class MachineLoad {
 public:
  MachineLoad() : start_(ReadProcessorTimes()) { PrintLoad(); }
  ~MachineLoad() {
    PrintLoad();
    const ProcessorTimes end = ReadProcessorTimes();
    const double busy = static_cast<double>(end.busy - start_.busy);
    const double steal = static_cast<double>(end.steal - start_.steal);
    if (busy + steal > 0) {
      std::printf("  host steal: %.0f %% of the processor time asked for (0 on a machine of its own)\n",
                  100.0 * steal / (busy + steal));
    }
  }
  MachineLoad(const MachineLoad&) = delete;
  MachineLoad& operator=(const MachineLoad&) = delete;

 private:
  ProcessorTimes start_;
};

}  // namespace lobbyfind::bench
