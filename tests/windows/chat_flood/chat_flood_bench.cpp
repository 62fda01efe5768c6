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
#include "support/fake_ports.h"
#include "win32/wide_text.h"
#include "win32/win32_app.h"

namespace lobbyfind::bench {
namespace {

constexpr int kFloodLines = 100000;
constexpr int kFloodLinesPerSecond = 100000;
constexpr double kStallTargetMs = 16;

std::string Shown(int i) { return "flooder : flood line " + std::to_string(i); }

// A chat server that logs one client in (welcome, join, names) and, when
// told, sends channel lines at a set rate, each millisecond those due.
class FloodServer {
 public:
  FloodServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FloodServer() {
    stopping_ = true;
    closesocket(listener_);
    if (client_ != INVALID_SOCKET) shutdown(client_, SD_BOTH);
    if (thread_.joinable()) thread_.join();
    if (client_ != INVALID_SOCKET) closesocket(client_);
  }
  [[nodiscard]] int Port() const { return port_; }
  void Go() { go_ = true; }
  [[nodiscard]] double SentRate() const { return sent_rate_; }

 private:
  bool SendAll(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size() && !stopping_) {
      const int n = send(client_, bytes.data() + at, static_cast<int>(bytes.size() - at), 0);
      if (n <= 0) return false;
      at += static_cast<std::size_t>(n);
    }
    return at == bytes.size();
  }
  std::string ReadLine() {
    for (;;) {
      if (const auto end = pending_.find("\r\n"); end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 2);
        return line;
      }
      char buffer[4096];
      const int n = recv(client_, buffer, sizeof buffer, 0);
      if (n <= 0) return {};
      pending_.append(buffer, static_cast<std::size_t>(n));
    }
  }
  void Serve() {
    client_ = accept(listener_, nullptr, nullptr);
    if (client_ == INVALID_SOCKET) return;
    std::string nick = "bencher";
    for (std::string line = ReadLine(); !line.starts_with("USER "); line = ReadLine()) {
      if (line.empty() && stopping_) return;
      if (line.starts_with("NICK ")) nick = line.substr(5);
    }
    if (!SendAll(":srv 001 " + nick + " :Welcome\r\n:srv 376 " + nick + " :End of MOTD command\r\n")) return;
    for (std::string line = ReadLine(); !line.starts_with("JOIN "); line = ReadLine()) {
      if (line.empty() && stopping_) return;
    }
    if (!SendAll(":" + nick + "!u@h JOIN :#lobbyfind\r\n:srv 353 " + nick + " = #lobbyfind :" + nick +
                 " flooder\r\n:srv 366 " + nick + " #lobbyfind :End of NAMES list\r\n")) {
      return;
    }
    while (!go_ && !stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double start = NowMs();
    int sent = 0;
    while (sent < kFloodLines && !stopping_) {
      const int due = std::min(kFloodLines, static_cast<int>((NowMs() - start) * kFloodLinesPerSecond / 1000) + 1);
      std::string burst;
      for (; sent < due; ++sent) {
        burst += ":flooder!f@h PRIVMSG #lobbyfind :flood line " + std::to_string(sent) + "\r\n";
      }
      if (!burst.empty() && !SendAll(burst)) return;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    sent_rate_ = kFloodLines * 1000.0 / (NowMs() - start);
  }

  SOCKET listener_ = INVALID_SOCKET;
  SOCKET client_ = INVALID_SOCKET;
  int port_ = 0;
  std::string pending_;
  std::atomic<bool> go_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<double> sent_rate_{0};
  std::thread thread_;
};

// A message box would hold the loop: its text is printed and it is closed.
BOOL CALLBACK CloseMessageBox(HWND window, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770") return TRUE;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM) -> BOOL {
        wchar_t text[512] = {};
        GetWindowTextW(child, text, 512);
        if (text[0] != 0) std::fprintf(stderr, "  (message box: %s)\n", win32::Utf8(text).c_str());
        return TRUE;
      },
      0);
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}
void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), CloseMessageBox, 0);
}

// The log's lines as shown, UTF-8.
std::vector<std::string> LogLines(HWND log) {
  GETTEXTLENGTHEX how_long{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const auto length = SendMessageW(log, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how_long), 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GETTEXTEX how{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
  text.resize(static_cast<std::size_t>(
      SendMessageW(log, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text.data()))));
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    const std::size_t end = std::min(text.find(L'\r', start), text.size());
    lines.push_back(win32::Utf8(std::wstring_view(text).substr(start, end - start)));
    start = end + 1;
  }
  return lines;
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
  FloodServer server;
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
    const std::string last = Shown(kFloodLines - 1);
    Turns turns;
    const double start = NowMs();
    server.Go();
    const bool done = RunLoop(
        [&] {
          const auto lines = LogLines(log);
          return !lines.empty() && lines.back() == last;
        },
        60000, &turns);
    const double shown_ms = NowMs() - start;
    RunLoop([] { return false; }, 30, &turns);
    const auto lines = LogLines(log);
    int in_order = 0;
    int i = kFloodLines - static_cast<int>(lines.size());
    for (const std::string& line : lines) in_order += line == Shown(i++);
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
