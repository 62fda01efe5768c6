// The answer server (`Antwortserver`): the TCP listener on which running
// games deliver their answers to the session-enumeration requests. It only
// reads; it never sends. Its connections are its own: a connection is closed
// when the peer closes it, after 10 s without data, or when 64 others are
// newer, so a flood of connections cannot use up the program's sockets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/clock.h"
#include "ports/tcp_listener.h"
#include "ports/timer.h"
#include "presence/session_enumeration.h"

namespace lobbyfind::presence {

class AnswerServer {
 public:
  static constexpr std::size_t kMaxConnections = 64;
  static constexpr std::int64_t kIdleCloseMs = 10000;
  static constexpr std::uint32_t kSweepIntervalMs = 1000;
  // Bytes used of one arrival; the rest of that arrival is discarded.
  static constexpr std::size_t kMaxBytesPerArrival = 3001;

  // `sweep` is the timer that closes idle connections; `port` is 2300 but for
  // tests that must not compete for that port.
  AnswerServer(std::unique_ptr<ports::TcpListener> listener, std::unique_ptr<ports::Timer> sweep,
               const ports::Clock& clock, std::uint16_t port = kAnswerPort);
  ~AnswerServer();
  AnswerServer(const AnswerServer&) = delete;
  AnswerServer& operator=(const AnswerServer&) = delete;

  // Opens the listener when it is not open. False when the port cannot be
  // had; the caller simply tries again on its next tick.
  bool Activate();
  // Stops listening and closes every connection.
  void Deactivate();
  [[nodiscard]] bool Active() const;
  [[nodiscard]] std::size_t OpenConnections() const { return connections_.size(); }

  // Each arrival of data (at most 3001 bytes of it) with the peer's dotted
  // IPv4 address, "0.0.0.0" when the platform could not tell it.
  std::function<void(const std::string& peer, std::string_view bytes)> OnAnswer;
  // Inside OnAnswer: when the system received those bytes (Clock::MonotonicUs),
  // if the connection could tell; nothing outside OnAnswer.
  [[nodiscard]] std::optional<std::int64_t> ArrivalUs() const { return arrival_us_; }
  // OnAnswer threw: the text of the failure. A failure with the same text as
  // the one reported last is not raised again: the hosted game answers on
  // every tick, and the same fault would fill the log.
  std::function<void(const std::string& reason)> OnAnswerFailed;

 private:
  struct Connection {
    std::unique_ptr<ports::TcpConnection> socket;
    std::string peer;
    std::int64_t last_data_ms = 0;
  };

  void Accept(std::unique_ptr<ports::TcpConnection> socket);
  void Arrived(Connection* connection, std::string_view bytes);
  void AnswerFailed(const std::string& reason);
  void CloseConnection(Connection* connection);
  void SweepIdle();
  void ReleaseClosed();

  std::unique_ptr<ports::TcpListener> listener_;
  std::unique_ptr<ports::Timer> sweep_;
  const ports::Clock& clock_;
  std::uint16_t port_;
  // Oldest first.
  std::vector<std::unique_ptr<Connection>> connections_;
  // Closed connections wait here until no notification of theirs is running:
  // a connection must not be destroyed inside its own notification.
  std::vector<std::unique_ptr<Connection>> closed_;
  int notification_depth_ = 0;
  std::string last_failure_;
  std::optional<std::int64_t> arrival_us_;
};

}  // namespace lobbyfind::presence
