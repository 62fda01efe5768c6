// The Windows edition's chat log under a flood: 100,000 channel lines in one
// second from a chat server on loopback (a thread of this program), read by
// the edition's own chat client into its real main window. Run under Wine
// (or on Windows) by hand or by scripts/bench_win32_chat.sh; it is a
// benchmark, never a test. Figures: the longest turn of the message loop
// (one message dispatched, the log's flush and painting included) with the
// target of one frame (16 ms), and the log at 201 lines, the newest last, in
// order.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>
#include <richedit.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/config_keys.h"
#include "bench_figures.h"
#include "game/memory_registry.h"
#include "game/game_settings.h"
#include "irc_flood_server.h"
#include "support/fake_ports.h"
#include "support/win32_shown_text.h"
#include "win32/wide_text.h"
#include "win32/win32_app.h"

namespace lobbyfind::bench {
namespace {

constexpr int kFloodLines = 100000;
constexpr int kFloodLinesPerSecond = 100000;
constexpr double kStallTargetMs = 16;

// A message box would hold the loop: its text is printed and it is closed.
void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
  if (const auto text = test::CloseThreadMessageBox()) std::fprintf(stderr, "  (message box: %s)\n", text->c_str());
}

// Runs the message loop until `done` or `timeout_ms`; the longest dispatch of
// one message (wall clock and the thread's CPU time) goes to the figures.
struct Turns {
  double longest = 0;
  double longest_cpu = 0;
};
template <typename Done>
bool RunLoop(Done done, double timeout_ms, Turns* turns = nullptr) {
  const double until = NowMs() + timeout_ms;
  double checked = 0;
  while (NowMs() < until) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (done()) return true;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      continue;
    }
    if (message.message == WM_QUIT) return false;
    const double before = NowMs();
    const double before_cpu = ThreadCpuMs();
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (turns != nullptr) {
      turns->longest = std::max(turns->longest, NowMs() - before);
      turns->longest_cpu = std::max(turns->longest_cpu, ThreadCpuMs() - before_cpu);
    }
    // Reading the log is not free: at most every 20 ms.
    if (NowMs() - checked > 20) {
      checked = NowMs();
      if (done()) return true;
    }
  }
  return done();
}

int Flood() {
  Heading("Windows edition, chat flood: 100,000 channel lines in a second from the chat server");
  IrcFloodServer server(kFloodLines, kFloodLinesPerSecond);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("lobbyfind-flood-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(dir / "GTA2");
  std::ofstream(dir / "GTA2" / "gta2.exe") << "stand-in";
  std::ofstream(dir / "lobbyfind.ini", std::ios::binary)
      << app::kKeyDirectoryHost << "\r\n127.0.0.1:9\r\n"
      << app::kKeyGtaDir << "\r\n" << (dir / "GTA2").string() << "\r\n"
      << app::kKeyIrcHost << "\r\n127.0.0.1\r\n" << app::kKeyIrcPort << "\r\n" << server.Port() << "\r\n";
  std::filesystem::current_path(dir);
  int failed = 0;
  {
    game::MemoryRegistry registry;
    registry.PutString(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, "PlayerName", "bencher");
    test::FakeShell shell;
    win32::Win32App lobby(registry, &shell);
    lobby.window().Show();
    const UINT_PTR closer = SetTimer(nullptr, 0, 100, CloseMessageBoxes);
    // Let the settings load (500 ms after start) run first.
    RunLoop([] { return false; }, 700);
    lobby.form().Button7Click();
    if (!RunLoop([&] { return lobby.form().GetOnlineState() == app::OnlineState::osOnline; }, 10000)) {
      std::filesystem::current_path(dir.parent_path());
      return !Checked("logged in to the flooding server", 0, "", "logged in", false);
    }
    RunLoop([] { return false; }, 200);
    KillTimer(nullptr, closer);
    HWND log = lobby.window().Child(app::Control::chatlog);
    const std::string last = IrcFloodServer::Shown(kFloodLines - 1);
    Turns turns;
    const double start = NowMs();
    server.Go();
    const bool done = RunLoop(
        [&] {
          const auto lines = test::ShownLines(log);
          return !lines.empty() && lines.back() == last;
        },
        60000, &turns);
    const double shown_ms = NowMs() - start;
    RunLoop([] { return false; }, 30, &turns);
    const auto lines = test::ShownLines(log);
    int in_order = 0;
    int i = kFloodLines - static_cast<int>(lines.size());
    for (const std::string& line : lines) in_order += line == IrcFloodServer::Shown(i++);
    Figure("lines per second sent by the server", server.SentRate(), "lines");
    Figure("first line sent to the last line shown", done ? shown_ms : -1, "ms");
    failed += !Checked("lines in the log after the flood", static_cast<double>(lines.size()), "lines", "201",
                       done && lines.size() == 201 && in_order == 201);
    failed += !Checked("longest message-loop turn during the flood", turns.longest, "ms", "<= 16 ms",
                       done && turns.longest <= kStallTargetMs);
    Figure("longest turn during the flood, CPU time of the window's thread", turns.longest_cpu, "ms");
  }
  std::filesystem::current_path(dir.parent_path());
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return failed;
}

}  // namespace
}  // namespace lobbyfind::bench

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  WSADATA winsock{};
  WSAStartup(MAKEWORD(2, 2), &winsock);
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int failed = lobbyfind::bench::Flood();
  std::fflush(stdout);
  CoUninitialize();
  WSACleanup();
  return failed == 0 ? 0 : 1;
}
