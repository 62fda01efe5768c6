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

}  // namespace lobbyfind::bench
