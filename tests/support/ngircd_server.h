// A real ngircd run as a child process for the chat integration tests: a
// configuration in a temporary folder, a free loopback port, stopped when the
// object goes away.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <string>

namespace lobbyfind::chat::testing {

class NgircdServer {
 public:
  NgircdServer() = default;
  NgircdServer(const NgircdServer&) = delete;
  NgircdServer& operator=(const NgircdServer&) = delete;
  ~NgircdServer();

  // Starts the server and waits until it accepts connections, on `port` or,
  // when 0, on a free one. On failure returns false and leaves the reason in
  // Error().
  bool Start(std::uint16_t port = 0);
  void Stop();
  // Ends the server at once (SIGKILL), as a crash would.
  void Kill();

  [[nodiscard]] std::uint16_t Port() const { return port_; }
  // A loopback port free at the moment of asking.
  static std::uint16_t FreeLoopbackPort();
  [[nodiscard]] const std::string& Error() const { return error_; }
  // The server's own name, as it stands in the prefix of its replies.
  static constexpr const char* kName = "irc.lobbyfind.test";

 private:
  bool WaitUntilListening(int timeout_ms);

  QTemporaryDir dir_;
  QProcess process_;
  std::uint16_t port_ = 0;
  std::string error_;
};

}  // namespace lobbyfind::chat::testing
