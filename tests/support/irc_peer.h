// A second chat user for end-to-end tests, written against the wire rather
// than with the program's own IRC component, so that what it sees is what the
// server delivered: a raw loopback TCP client that registers, joins a
// channel, answers PING and keeps every line it receives.
#pragma once

#include <QTcpSocket>
#include <cstdint>
#include <string>
#include <vector>

namespace lobbyfind::chat::testing {

class IrcPeer {
 public:
  IrcPeer();
  IrcPeer(const IrcPeer&) = delete;
  IrcPeer& operator=(const IrcPeer&) = delete;

  // Connects to 127.0.0.1:`port`, registers as `nick` and joins `channel`
  // (with its "#"); true once the server has sent the channel's names list.
  bool JoinChannel(std::uint16_t port, const std::string& nick, const std::string& channel, int timeout_ms);
  void Send(const std::string& line);
  // Runs the event loop until a received line contains `part`; that line, or
  // empty text when none arrived in time.
  std::string WaitForLine(const std::string& part, int timeout_ms);
  [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void Read();
  [[nodiscard]] bool Received(const std::string& part, std::string* line = nullptr) const;

  QTcpSocket socket_;
  std::string buffer_;
  std::vector<std::string> lines_;
};

}  // namespace lobbyfind::chat::testing
