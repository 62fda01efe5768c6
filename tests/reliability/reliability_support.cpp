#include "reliability_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "app/config_keys.h"
#include "support/free_port.h"
#include "game/game_settings.h"
#include "qt/text_spin_box.h"

namespace lobbyfind::reliability {
namespace {

std::mutex summary_mutex;
std::vector<SummaryRow>& SummaryRows() {
  static std::vector<SummaryRow> rows;
  return rows;
}

// Registered before main runs, so every run of the program ends with the table.
const bool kSummaryRegistered = [] {
  ::testing::AddGlobalTestEnvironment(new SummaryEnvironment);
  return true;
}();

void PrintTable(std::ostream& out, const std::vector<SummaryRow>& rows) {
  const std::vector<std::string> heads = {"scenario", "load held", "faults survived", "bad inputs tried",
                                          "nothing lost"};
  std::vector<std::size_t> widths;
  for (const auto& head : heads) widths.push_back(head.size());
  auto cells = [](const SummaryRow& r) {
    return std::vector<std::string>{r.scenario, r.load, r.faults, r.bad_inputs, r.nothing_lost};
  };
  for (const auto& row : rows) {
    const auto c = cells(row);
    for (std::size_t i = 0; i < c.size(); ++i) widths[i] = std::max(widths[i], c[i].size());
  }
  auto line = [&](const std::vector<std::string>& c) {
    out << "|";
    for (std::size_t i = 0; i < c.size(); ++i) out << " " << c[i] << std::string(widths[i] - c[i].size(), ' ') << " |";
    out << "\n";
  };
  line(heads);
  out << "|";
  for (const std::size_t w : widths) out << std::string(w + 2, '-') << "|";
  out << "\n";
  for (const auto& row : rows) line(cells(row));
}

}  // namespace

void AddSummaryRow(SummaryRow row) {
  const std::lock_guard lock(summary_mutex);
  if (::testing::Test::HasFailure()) row.scenario += " (FAILED)";
  SummaryRows().push_back(std::move(row));
}

void SummaryEnvironment::TearDown() {
  (void)kSummaryRegistered;
  const std::lock_guard lock(summary_mutex);
  std::ostringstream table;
  PrintTable(table, SummaryRows());
  std::cout << "\nReliability summary\n" << table.str() << std::flush;
  std::ofstream("reliability-summary.txt") << table.str();
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      long kib = 0;
      status >> kib;
      return kib;
    }
  }
  return -1;
}

int OpenDescriptors() {
  int count = 0;
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    ++count;
  }
  return count;
}

Heartbeat::Heartbeat() {
  clock_.start();
  timer_.setInterval(5);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    const qint64 now = clock_.elapsed();
    max_gap_ms_ = std::max(max_gap_ms_, now - last_ms_);
    last_ms_ = now;
    ++ticks_;
  });
  timer_.start();
}

void Heartbeat::Reset() {
  last_ms_ = clock_.elapsed();
  max_gap_ms_ = 0;
  ticks_ = 0;
}

ModalCatcher::ModalCatcher() {
  timer_.setInterval(20);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      texts_.push_back(box->text());
      box->done(QMessageBox::Ok);
    } else if (on_dialog) {
      on_dialog(modal);
    }
  });
  timer_.start();
}

// --- ScriptedServer ---

ScriptedServer::ScriptedServer(Script script) : script_(std::move(script)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener_, 64);
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

void ScriptedServer::Run() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    ++connections_;
    script_(socket, *this);
    ::close(socket);
  }
}

void ScriptedServer::Record(const std::string& bytes) {
  const std::lock_guard lock(mutex_);
  recorded_ += bytes;
}

std::string ScriptedServer::Recorded() const {
  const std::lock_guard lock(mutex_);
  return recorded_;
}

bool ScriptedServer::SendAll(int socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (stopping_) return false;
    pollfd p{socket, POLLOUT, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<std::string> ScriptedServer::ReadLine(int socket, std::string& pending, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!stopping_ && clock.elapsed() < timeout_ms) {
    if (const auto end = pending.find("\r\n"); end != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 2);
      return line;
    }
    pollfd p{socket, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) return std::nullopt;
    Record(std::string(buffer, static_cast<std::size_t>(n)));
    pending.append(buffer, static_cast<std::size_t>(n));
  }
  return std::nullopt;
}

std::string ScriptedServer::ReadToClose(int socket, int timeout_ms) {
  std::string bytes;
  QElapsedTimer clock;
  clock.start();
  while (!stopping_ && clock.elapsed() < timeout_ms) {
    pollfd p{socket, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  Record(bytes);
  return bytes;
}

std::uint16_t FreePort() { return test::FreeTcpPort(); }

std::string IrcWelcome(const std::string& nick) {
  return ":srv 001 " + nick + " :Welcome\r\n:srv 376 " + nick + " :End of MOTD command\r\n";
}

std::optional<std::string> ServeIrcLogin(int socket, ScriptedServer& server, std::string& pending,
                                         const std::string& others) {
  if (!server.SendAll(socket, ":srv NOTICE AUTH :*** Found your hostname\r\n")) return std::nullopt;
  std::string nick;
  for (;;) {
    const auto line = server.ReadLine(socket, pending);
    if (!line) return std::nullopt;
    if (line->starts_with("NICK ")) nick = line->substr(5);
    if (line->starts_with("USER ")) break;
  }
  if (!server.SendAll(socket, IrcWelcome(nick))) return std::nullopt;
  for (;;) {
    const auto line = server.ReadLine(socket, pending);
    if (!line) return std::nullopt;
    if (line->starts_with("JOIN ")) break;
  }
  const std::string names = ":" + nick + "!u@h JOIN :#lobbyfind\r\n:srv 353 " + nick + " = #lobbyfind :" + nick +
                            " " + others + "\r\n:srv 366 " + nick + " #lobbyfind :End of NAMES list\r\n";
  if (!server.SendAll(socket, names)) return std::nullopt;
  return nick;
}

std::string HttpReply(const std::string& body) { return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body; }

// --- LobbyTest ---

void LobbyTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  modal_ = std::make_unique<ModalCatcher>();
  std::filesystem::create_directories(GameDir());
  std::ofstream(GameDir() + "/gta2.exe") << "MZ";
}

void LobbyTest::TearDown() {
  StopLobby();
  // A folder a test made read-only must still be removable.
  std::error_code error;
  std::filesystem::permissions(dir_.path().toStdString(), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
}

std::string LobbyTest::Path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }

void LobbyTest::StartLobby(const Setup& setup) {
  game::MemoryRegistry& registry = setup.registry != nullptr ? *setup.registry : registry_;
  registry.PutString(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, "PlayerName", setup.player_name);
  const std::string directory =
      setup.directory_host.empty() ? "127.0.0.1:" + std::to_string(FreePort()) : setup.directory_host;
  if (!setup.keep_ini) {
    std::ofstream(IniPath(), std::ios::binary)
      << app::kKeyGtaDir << "\r\n" << GameDir() << "\r\n" << app::kKeyIrcHost << "\r\n127.0.0.1\r\n"
      << app::kKeyIrcPort << "\r\n" << setup.irc_port << "\r\n" << app::kKeyDirectoryHost << "\r\n"
      << directory << "\r\n" << setup.extra_ini;
  }
  answer_port_ = FreePort();
  qt::LobbyApp::Options options;
  options.config_file_name = IniPath();
  options.random_seed = 1;
  options.answer_port = answer_port_;
  options.http_limits = setup.http_limits;
  options.registry = &registry;
  lobby_ = std::make_unique<qt::LobbyApp>(options);
  lobby_->window().show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form().updateconfig().Enabled(); }, kWaitMs));
}

void LobbyTest::StopLobby() { lobby_.reset(); }

QStringList LobbyTest::ChatLines() const {
  QCoreApplication::processEvents();  // the log shows its lines at the end of the turn
  QStringList lines;
  for (QTextBlock b = lobby_->window().chatlog->document()->firstBlock(); b.isValid(); b = b.next()) {
    lines.push_back(b.text());
  }
  return lines;
}

int LobbyTest::ChatLinesStarting(const QString& prefix) const {
  const QStringList lines = ChatLines();
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(prefix); }));
}

void LobbyTest::SetRefreshInterval(int ms) {
  lobby_->window().serverlistrefreshtime->setShownText(QString::number(ms));
  form().ControlChanged(app::Control::serverlistrefreshtime);
}

void LobbyTest::LoginAndWait() {
  form().Button7Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().GetOnlineState() == app::OnlineState::osOnline; }, kWaitMs));
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace lobbyfind::reliability
