// What the reliability tests share: the real window over a settings file in
// a temporary folder, probes of the event loop and of the process (the
// longest gap between timer ticks, the resident memory, open descriptors),
// a catcher for the modal message boxes the program opens, a loopback
// server thread that follows a script, and the summary table every scenario
// adds its measured row to.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "game/memory_registry.h"
#include "game/registry_procedures.h"
#include "qt/lobby_app.h"

namespace lobbyfind::reliability {

inline constexpr int kWaitMs = 15000;

// The chat log's line when an exchange with the directory fails.
inline const QString kDirectoryFailed = QStringLiteral("Can't establish, connection to the serverlist!");

// A file's whole content, empty when it cannot be read.
[[nodiscard]] std::string ReadAll(const std::string& path);

// One row of the closing table: what the scenario put the program through
// and what it checked afterwards, each in measured figures.
struct SummaryRow {
  std::string scenario;
  std::string load;          // the load held
  std::string faults;        // faults survived
  std::string bad_inputs;    // bad inputs tried
  std::string nothing_lost;  // the checks that nothing was lost or broken
};

// Collects the rows; the environment prints them when the program ends and
// leaves them in "reliability-summary.txt" in the working directory.
void AddSummaryRow(SummaryRow row);
class SummaryEnvironment : public ::testing::Environment {
 public:
  void TearDown() override;
};

// The resident memory of this process and its open descriptors.
[[nodiscard]] long ResidentKiB();
[[nodiscard]] int OpenDescriptors();

// Ticks every 5 ms while it lives and keeps the longest gap between two
// ticks: how long the event loop was kept from its timers.
class Heartbeat {
 public:
  Heartbeat();
  [[nodiscard]] qint64 MaxGapMs() const { return max_gap_ms_; }
  [[nodiscard]] int Ticks() const { return ticks_; }
  void Reset();

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ms_ = 0;
  qint64 max_gap_ms_ = 0;
  int ticks_ = 0;
};

// Closes each message box the program opens as the user would with OK, and
// keeps its text; other modal dialogs go to `on_dialog` when set.
class ModalCatcher {
 public:
  ModalCatcher();
  [[nodiscard]] const QStringList& Texts() const { return texts_; }
  std::function<void(QWidget*)> on_dialog;

 private:
  QTimer timer_;
  QStringList texts_;
};

// A TCP server on a free loopback port whose connections are served one
// after another by `script` on a thread of its own, away from the event loop
// under test. The script gets the socket and the server (for Stopping()).
class ScriptedServer {
 public:
  using Script = std::function<void(int socket, ScriptedServer& server)>;
  explicit ScriptedServer(Script script);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  [[nodiscard]] std::uint16_t Port() const { return port_; }
  [[nodiscard]] bool Stopping() const { return stopping_; }
  [[nodiscard]] int Connections() const { return connections_; }
  // Everything the scripts recorded with Record().
  void Record(const std::string& bytes);
  [[nodiscard]] std::string Recorded() const;

  // Helpers for scripts. Each gives up when the server stops.
  bool SendAll(int socket, const std::string& bytes);
  // The next line ended by CR LF (without it); nothing on close or time-out.
  std::optional<std::string> ReadLine(int socket, std::string& pending, int timeout_ms = kWaitMs);
  // Reads until the peer closes or the server stops; returns what came.
  std::string ReadToClose(int socket, int timeout_ms = kWaitMs);

 private:
  void Run();

  Script script_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::string recorded_;
  std::thread thread_;
};

// The real program's window over "lobbyfind.ini" in a temporary folder: a
// game folder with the game in it (so the settings load asks nothing), the
// game's settings in memory, the answer server on a free port, the chat and
// the directory pointed at loopback.
class LobbyTest : public ::testing::Test {
 protected:
  struct Setup {
    std::uint16_t irc_port = 1;        // nothing listens there
    std::string directory_host;        // empty: a loopback port nobody serves
    std::string extra_ini;             // further lines of the settings file
    std::string player_name = "tester";
    bool keep_ini = false;             // start over the settings file as it is
    directory::HttpExchange::Limits http_limits;
    game::MemoryRegistry* registry = nullptr;  // the game's settings; nothing: registry_
  };

  void SetUp() override;
  void TearDown() override;
  // Writes the settings file and starts the window; waits for its settings
  // load to end.
  void StartLobby(const Setup& setup);
  void StartLobby() { StartLobby(Setup{}); }
  void StopLobby();

  [[nodiscard]] qt::LobbyApp& lobby() { return *lobby_; }
  [[nodiscard]] app::TForm1& form() { return lobby_->form(); }
  [[nodiscard]] QStringList ChatLines() const;
  [[nodiscard]] int ChatLinesStarting(const QString& prefix) const;
  [[nodiscard]] std::string IniPath() const { return Path("lobbyfind.ini"); }
  [[nodiscard]] std::string Path(const std::string& name) const;
  // The game folder the settings file names.
  [[nodiscard]] std::string GameDir() const { return Path("GTA2"); }
  // Puts the refresh interval (Timer2) at `ms` as the user would type it.
  void SetRefreshInterval(int ms);
  // "Login", then waits for the players list (the Internet games page).
  void LoginAndWait();

  QTemporaryDir dir_;
  game::MemoryRegistry registry_;
  std::unique_ptr<ModalCatcher> modal_;
  std::uint16_t answer_port_ = 0;
  std::unique_ptr<qt::LobbyApp> lobby_;
};

// A free TCP port on loopback at the moment of asking.
[[nodiscard]] std::uint16_t FreePort();

// The lines of an IRC server's greeting after registration, up to the end
// of the message of the day (on which the window joins its channel).
[[nodiscard]] std::string IrcWelcome(const std::string& nick);
// Serves one IRC client through its login: reads its NICK and USER lines,
// answers with the welcome, waits for its JOIN and answers with the channel's
// names (the client and `others`). Returns the nickname, or
// nothing when the client went away. Everything read is recorded.
std::optional<std::string> ServeIrcLogin(int socket, ScriptedServer& server, std::string& pending,
                                         const std::string& others);

// An HTTP/1.0 reply as the directory service gives it, read to the close.
[[nodiscard]] std::string HttpReply(const std::string& body);

}  // namespace lobbyfind::reliability
