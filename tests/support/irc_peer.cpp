#include "irc_peer.h"

#include <QHostAddress>
#include <QTest>

namespace lobbyfind::chat::testing {

IrcPeer::IrcPeer() {
  QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { Read(); });
}

bool IrcPeer::JoinChannel(std::uint16_t port, const std::string& nick, const std::string& channel,
                          int timeout_ms) {
  socket_.connectToHost(QHostAddress::LocalHost, port);
  if (!socket_.waitForConnected(timeout_ms)) {
    return false;
  }
  Send("NICK " + nick);
  Send("USER " + nick + " 0 * :" + nick);
  // 376 ends the greeting, 422 stands for it when the server has no MOTD.
  if (!QTest::qWaitFor([&] { return Received(" 376 " + nick) || Received(" 422 " + nick); }, timeout_ms)) {
    return false;
  }
  Send("JOIN " + channel);
  return !WaitForLine(" 366 " + nick + " " + channel + " ", timeout_ms).empty();
}

void IrcPeer::Send(const std::string& line) {
  socket_.write(QByteArray::fromStdString(line + "\r\n"));
  socket_.flush();
}

std::string IrcPeer::WaitForLine(const std::string& part, int timeout_ms) {
  std::string line;
  (void)QTest::qWaitFor([&] { return Received(part, &line); }, timeout_ms);
  return line;
}

void IrcPeer::Read() {
  buffer_ += socket_.readAll().toStdString();
  for (std::size_t end; (end = buffer_.find("\r\n")) != std::string::npos;) {
    std::string line = buffer_.substr(0, end);
    buffer_.erase(0, end + 2);
    if (line.starts_with("PING ")) {
      Send("PONG " + line.substr(5));
    }
    lines_.push_back(std::move(line));
  }
}

bool IrcPeer::Received(const std::string& part, std::string* line) const {
  for (const std::string& received : lines_) {
    if (received.find(part) != std::string::npos) {
      if (line != nullptr) *line = received;
      return true;
    }
  }
  return false;
}

}  // namespace lobbyfind::chat::testing
