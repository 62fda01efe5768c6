// Start-up: the real lobby against the least a Qt Widgets program can do
// (one empty window, built here with the same compiler and Qt), both on the
// offscreen platform. Each is started as a child process in a scratch folder
// whose settings name a game directory (so no folder dialog waits), with
// LOBBYFIND_EXIT_WHEN_SHOWN set: it writes "shown" at its first paint and
// ends. Time: from the fork to that line. Memory: the child's peak resident
// set. Runs alternate between the two programs; medians are compared.
// Targets: at most 1.5 times the floor's time, at most the floor + 15 MiB.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/config_keys.h"
#include "bench_figures.h"
#include "qt/shown_probe.h"

namespace lobbyfind::bench {
namespace {

constexpr int kRuns = 11;
constexpr double kTimeRatioTarget = 1.5;
constexpr double kMemoryMarginMiB = 15;

struct Start {
  double shown_ms = -1;
  double peak_mib = 0;
};

// Runs `program` in `folder` until it exits; the time is taken when it
// writes its first line.
Start RunOnce(const std::string& program, const std::string& folder) {
  int out[2];
  if (pipe(out) != 0) return {};
  const double begin = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  Start start;
  char buffer[64];
  if (pid > 0 && read(out[0], buffer, sizeof buffer) > 0) start.shown_ms = NowMs() - begin;
  close(out[0]);
  int status = 0;
  rusage usage{};
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) start.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  if (pid <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) start.shown_ms = -1;
  return start;
}

int Startup() {
  Heading("Start-up to the main window shown, offscreen (median of 11 runs each)");
  const auto folder = std::filesystem::temp_directory_path() / ("lobbyfind-startup-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "GTA2");
  std::ofstream(folder / "GTA2" / "gta2.exe") << "stand-in";
  std::ofstream(folder / app::kConfigFileName, std::ios::binary)
      << app::kKeyGtaDir << "\r\n" << (folder / "GTA2").string() << "\r\n"
      << app::kKeyWinePrefix << "\r\n" << (folder / "wine").string() << "\r\n";
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv(qt::kExitWhenShownVariable, "1", 1);
  // No desktop is searched for the game's windows: the same for every run.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");

  const std::string programs[2] = {LOBBYFIND_EMPTY_WINDOW, LOBBYFIND_PROGRAM};
  std::vector<double> times[2];
  std::vector<double> peaks[2];
  // One unmeasured start each: the libraries come into the page cache.
  for (const auto& program : programs) (void)RunOnce(program, folder.string());
  int failed_runs = 0;
  for (int run = 0; run < kRuns; ++run) {
    for (int p = 0; p < 2; ++p) {
      const Start s = RunOnce(programs[p], folder.string());
      if (s.shown_ms < 0) {
        ++failed_runs;
        continue;
      }
      times[p].push_back(s.shown_ms);
      peaks[p].push_back(s.peak_mib);
    }
  }
  std::filesystem::remove_all(folder);
  int failed = 0;
  if (failed_runs > 0 || times[0].empty() || times[1].empty()) {
    std::printf("  %d start(s) did not show a window\n", failed_runs);
    failed += 1;
    if (times[0].empty() || times[1].empty()) return failed;
  }
  const double floor_ms = Median(times[0]);
  const double lobby_ms = Median(times[1]);
  const double floor_mib = Median(peaks[0]);
  const double lobby_mib = Median(peaks[1]);
  Figure("floor (empty Qt window): time to shown", floor_ms, "ms");
  Figure("lobbyfind: time to shown", lobby_ms, "ms");
  failed += !Checked("lobbyfind / floor, time", lobby_ms / floor_ms, "x", "<= 1.5", lobby_ms / floor_ms <= kTimeRatioTarget);
  Figure("floor: peak memory", floor_mib, "MiB");
  Figure("lobbyfind: peak memory", lobby_mib, "MiB");
  Figure("lobbyfind / floor, memory", lobby_mib / floor_mib, "x");
  failed += !Checked("lobbyfind - floor, memory", lobby_mib - floor_mib, "MiB", "<= 15 MiB",
                     lobby_mib - floor_mib <= kMemoryMarginMiB);
  return failed;
}

}  // namespace
}  // namespace lobbyfind::bench

int main() {
  lobbyfind::bench::PrintLoad();
  return lobbyfind::bench::Startup() == 0 ? 0 : 1;
}
