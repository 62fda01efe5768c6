// Start-up under a private Xvfb: the lobby against two floors built here with
// the same compiler and Qt (an empty window; a window with a line of text and
// the banner JPEG), and against real programs of its kind from Debian when
// installed (xqf, a game server browser; quasselclient, a Qt IRC client).
// Every program is started the same way, as a child process in a scratch
// folder that is also its home; time: from the fork to its first top-level
// window mapped, as the X server reports it to the benchmark's own
// connection; memory: the child's peak resident set when it is ended right
// after. Runs alternate between the programs; medians are compared. Beside
// them the toolkit's libraries alone (loaded, `main` left at once), timed
// from the fork to the exit: the floor under every Qt Widgets program.
// Targets: the lobby at most 1.5 times the empty window's time and 1.2 times
// the text-and-picture window's, at most the empty window + 15 MiB; and at
// most a third of the faster peer's time and 70 % of the smaller peer's
// memory.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/config_keys.h"
#include "bench_figures.h"
#include "platform/linux/search_path.h"
#include "qt/shown_probe.h"

namespace lobbyfind::bench {
namespace {

// Starts of each program; their medians move by a few per cent from one
// run of the suite to the next on a shared two-core machine with 11.
constexpr int kRuns = 21;
constexpr double kEmptyRatioTarget = 1.5;
constexpr double kLabelRatioTarget = 1.2;
constexpr double kMemoryMarginMiB = 15;
constexpr double kPeerTimeShare = 1.0 / 3.0;
constexpr double kPeerMemoryShare = 0.7;
constexpr int kMapTimeoutMs = 20000;
constexpr int kEndTimeoutMs = 10000;

struct Program {
  std::string name;
  std::string path;
  std::vector<double> times;
  std::vector<double> peaks;
  // The lobby ends by itself once its start-up is complete (it shows its
  // first page first and builds the rest after that frame): its memory is
  // taken then, the whole start-up's. Every other program is ended when its
  // window is mapped.
  bool ends_itself = false;
  // The toolkit's floor shows nothing: it is timed to its exit.
  bool shows_window = true;
};

struct Start {
  double mapped_ms = -1;
  double peak_mib = 0;
};

// A private X server for the measured programs, and the benchmark's own
// connection to it, told of every window mapped on the root window.
class PrivateDisplay {
 public:
  // `display_number`: the display to run; Xvfb ends at once when it is taken.
  explicit PrivateDisplay(int display_number) {
    int fds[2];
    if (pipe(fds) != 0) return;
    server_ = fork();
    if (server_ == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, STDERR_FILENO);
      const std::string fd = std::to_string(fds[1]);
      const std::string display = ":" + std::to_string(display_number);
      // With a display named, -displayfd only says when the server is ready.
      execlp("Xvfb", "Xvfb", display.c_str(), "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
             "1280x1024x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char number[16] = {};
    pollfd p{fds[0], POLLIN, 0};
    if (server_ > 0 && poll(&p, 1, 10000) == 1 && read(fds[0], number, sizeof number - 1) > 0) {
      name_ = ":" + std::to_string(std::atoi(number));
    }
    close(fds[0]);
    if (name_.empty()) return;
    // A server that has just said it is ready may still refuse the first
    // connection now and then: a few more tries, a little apart.
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (connection_ != nullptr) xcb_disconnect(connection_);
      connection_ = xcb_connect(name_.c_str(), nullptr);
      if (xcb_connection_has_error(connection_) == 0) break;
      usleep(20000);
    }
    if (xcb_connection_has_error(connection_) != 0) return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
    ready_ = true;
  }
  ~PrivateDisplay() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }
  [[nodiscard]] bool Ready() const { return ready_; }
  [[nodiscard]] const std::string& Name() const { return name_; }

  // Drops events of programs run before.
  void Drain() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) free(event);
  }
  // Waits until a top-level window (not a menu or tooltip) is mapped; false
  // when `deadline_ms` (on NowMs) has passed.
  bool WaitForTopLevelMapped(double deadline_ms) {
    for (;;) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect == 0;
        free(event);
        if (mapped) return true;
      }
      const double left = deadline_ms - NowMs();
      if (left <= 0 || xcb_connection_has_error(connection_) != 0) return false;
      pollfd p{xcb_get_file_descriptor(connection_), POLLIN, 0};
      poll(&p, 1, static_cast<int>(left) + 1);
    }
  }

 private:
  pid_t server_ = -1;
  std::string name_;
  xcb_connection_t* connection_ = nullptr;
  bool ready_ = false;
};

// Runs `program` in `folder` until its first top-level window is mapped
// and, if it `ends_itself`, until it has ended (at most 10 s); then ends it
// and takes its peak memory. A program that shows no window is timed to its
// exit.
Start RunOnce(PrivateDisplay& display, const Program& program, const std::string& folder) {
  display.Drain();
  const double begin = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, STDIN_FILENO);
    dup2(devnull, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execl(program.path.c_str(), program.path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return {};
  Start start;
  int status = 0;
  rusage usage{};
  pid_t ended = 0;
  if (!program.shows_window) {
    ended = wait4(pid, &status, 0, &usage);
    if (ended == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) start.mapped_ms = NowMs() - begin;
  } else if (display.WaitForTopLevelMapped(begin + kMapTimeoutMs)) {
    start.mapped_ms = NowMs() - begin;
  }
  for (const double deadline = NowMs() + kEndTimeoutMs; program.ends_itself && ended == 0 && NowMs() < deadline;) {
    ended = wait4(pid, &status, WNOHANG, &usage);
    if (ended == 0) usleep(1000);
  }
  if (ended == 0) {
    kill(pid, SIGKILL);
    ended = wait4(pid, &status, 0, &usage);
  }
  if (ended == pid) start.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return start;
}

int Startup() {
  Heading("Start-up to the first window mapped, under Xvfb (median of 21 runs each, alternating)");
  // A display number of its own: others on this machine run X servers too,
  // some where their lock files cannot be seen, so a taken number is simply
  // passed over.
  std::unique_ptr<PrivateDisplay> own_display;
  for (int attempt = 0; attempt < 20 && !(own_display && own_display->Ready()); ++attempt) {
    own_display = std::make_unique<PrivateDisplay>(100 + (getpid() + attempt * 37) % 800);
  }
  if (!own_display->Ready()) {
    return !Checked("a private Xvfb for the start-up runs", 0, "", "running", false);
  }
  PrivateDisplay& display = *own_display;
  const auto folder = std::filesystem::temp_directory_path() / ("lobbyfind-startup-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "GTA2");
  std::ofstream(folder / "GTA2" / "gta2.exe") << "stand-in";
  std::ofstream(folder / app::kConfigFileName, std::ios::binary)
      << app::kKeyGtaDir << "\r\n" << (folder / "GTA2").string() << "\r\n"
      << app::kKeyWinePrefix << "\r\n" << (folder / "wine").string() << "\r\n";
  // The same surroundings for every program: the private display, the
  // scratch folder as home, nothing of the caller's desktop session.
  setenv("DISPLAY", display.Name().c_str(), 1);
  setenv("HOME", folder.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (folder / ".config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  unsetenv("QT_QPA_PLATFORM");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  // The lobby leaves the home router alone while it is being measured.
  setenv(qt::kExitWhenShownVariable, "1", 1);

  std::vector<Program> programs = {{"empty Qt window", LOBBYFIND_EMPTY_WINDOW, {}, {}},
                                   {"Qt window with text and the banner", LOBBYFIND_LABEL_WINDOW, {}, {}},
                                   {"lobbyfind", LOBBYFIND_PROGRAM, {}, {}, true},
                                   {"Qt Widgets libraries alone", LOBBYFIND_TOOLKIT_ONLY, {}, {}, false, false}};
  std::vector<std::string> missing;
  for (const auto& [name, binary] : {std::pair{"xqf", "xqf"}, std::pair{"quassel-client", "quasselclient"}}) {
    // Debian puts games (xqf among them) in /usr/games, not always on the path.
    const char* search = std::getenv("PATH");
    const std::string path =
        platform::FindOnPath(std::string(search != nullptr ? search : "/usr/bin:/bin") + ":/usr/games", binary,
                             [](const std::string& file) { return access(file.c_str(), X_OK) == 0; });
    if (path.empty()) {
      missing.push_back(name);
    } else {
      programs.push_back({name, path, {}, {}});
    }
  }
  // One unmeasured start each: the libraries come into the page cache, and
  // programs that write settings at their first start have done so.
  for (const auto& program : programs) {
    (void)RunOnce(display, program, folder.string());
  }
  int failed = 0;
  for (int run = 0; run < kRuns; ++run) {
    for (auto& program : programs) {
      const Start s = RunOnce(display, program, folder.string());
      if (s.mapped_ms < 0) {
        std::printf("  %s: run %d showed no window\n", program.name.c_str(), run);
        ++failed;
        continue;
      }
      program.times.push_back(s.mapped_ms);
      program.peaks.push_back(s.peak_mib);
    }
  }
  std::filesystem::remove_all(folder);
  for (const auto& program : programs) {
    if (program.times.empty()) return failed + 1;
    Figure(program.name + (program.shows_window ? ": time to first window" : ": time to its exit"),
           Median(program.times), "ms");
    Figure(program.name + ": peak memory", Median(program.peaks), "MiB");
  }
  const auto time = [](const Program& p) { return Median(p.times); };
  const auto memory = [](const Program& p) { return Median(p.peaks); };
  const Program& empty = programs[0];
  const Program& label = programs[1];
  const Program& lobby = programs[2];
  const Program& toolkit = programs[3];
  constexpr std::size_t kFirstPeer = 4;
  failed += !Checked("lobbyfind / empty window, time", time(lobby) / time(empty), "x", "<= 1.5",
                     time(lobby) / time(empty) <= kEmptyRatioTarget);
  failed += !Checked("lobbyfind / text-and-banner window, time", time(lobby) / time(label), "x", "<= 1.2",
                     time(lobby) / time(label) <= kLabelRatioTarget);
  failed += !Checked("lobbyfind - empty window, memory", memory(lobby) - memory(empty), "MiB", "<= 15 MiB",
                     memory(lobby) - memory(empty) <= kMemoryMarginMiB);
  if (programs.size() > kFirstPeer) {
    double fastest = 1e18;
    double smallest = 1e18;
    for (std::size_t p = kFirstPeer; p < programs.size(); ++p) {
      Figure("lobbyfind / " + programs[p].name + ", time", time(lobby) / time(programs[p]), "x");
      Figure("lobbyfind / " + programs[p].name + ", memory", memory(lobby) / memory(programs[p]), "x");
      fastest = std::min(fastest, time(programs[p]));
      smallest = std::min(smallest, memory(programs[p]));
    }
    failed += !Checked("lobbyfind / the faster peer, time", time(lobby) / fastest, "x", "<= 0.333",
                       time(lobby) / fastest <= kPeerTimeShare);
    failed += !Checked("lobbyfind / the smaller peer, memory", memory(lobby) / smallest, "x", "<= 0.7",
                       memory(lobby) / smallest <= kPeerMemoryShare);
    // The least any Qt Widgets program with a window costs, and what the
    // toolkit's libraries cost before any program's code runs, on the same
    // scale: a goal below these floors is out of reach of the toolkit itself.
    Figure("floor: empty Qt window / the faster peer, time", time(empty) / fastest, "x");
    Figure("floor: empty Qt window / the smaller peer, memory", memory(empty) / smallest, "x");
    Figure("floor: Qt Widgets libraries / the faster peer, time", time(toolkit) / fastest, "x");
    Figure("floor: Qt Widgets libraries / the smaller peer, memory", memory(toolkit) / smallest, "x");
  }
  for (const auto& name : missing) {
    failed += !Checked("peer " + name + " installed (scripts/bench.sh --with-peers)", 0, "", "installed", false);
  }
  return failed;
}

}  // namespace
}  // namespace lobbyfind::bench

int main() {
  const lobbyfind::bench::MachineLoad load;
  const int failed = lobbyfind::bench::Startup();
  return failed == 0 ? 0 : 1;
}
