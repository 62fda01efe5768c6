// One HTTP/1.0 GET at a time to the directory service, over the TcpConnection
// port: connect, send the request, read the reply to the close, and tell the
// owner how it ended. Everything runs on the user-interface thread.
//
// Notifications of one exchange, in this order:
//   OnSuccess(kGet)    the reply's status is below 299; read Body()
//   OnFailure(kGet)    the reply's status is 400 or above
//   OnDisconnect()     the connection is closed; ends every exchange that got
//                      as far as connecting, failed or not
//   OnExchangeFailed() the exchange failed (name not resolved, connection
//                      refused or broken, nothing answered in time, a reply
//                      too large, the connection closed before a single
//                      byte came); always right after OnDisconnect
// A status from 299 to 399 raises neither OnSuccess nor OnFailure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "directory/http_request.h"
#include "ports/tcp_connection.h"
#include "ports/timer.h"

namespace lobbyfind::directory {

enum class CmdType { kGet };

class HttpExchange {
 public:
  struct Limits {
    // An exchange that makes no progress for this long has failed.
    std::uint32_t timeout_ms = 15000;
    // A directory reply is a few kilobytes; an endless body must not eat the memory.
    std::size_t max_body = 4U * 1024U * 1024U;
    // An exchange still running after this long has failed as well, even
    // when it crawls: a server that trickles a byte at a time would
    // otherwise keep the request queue busy for ever.
    std::uint32_t deadline_ms = 60000;
  };

  HttpExchange(ports::TcpConnectionFactory connections, ports::TimerFactory timers)
      : HttpExchange(std::move(connections), std::move(timers), Limits{}) {}
  HttpExchange(ports::TcpConnectionFactory connections, ports::TimerFactory timers, Limits limits);
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;
  ~HttpExchange();

  // Starts one exchange for an absolute "http://" URL and returns at once.
  // False, with no notification to follow, when the URL is unusable (empty,
  // no host, a bad port) or an exchange is already running.
  bool Get(std::string_view url);

  [[nodiscard]] bool Running() const { return connection_ != nullptr; }
  // True from OnDisconnect of a failed exchange until the next Get: the
  // failure notification is still to come.
  [[nodiscard]] bool Failed() const { return failed_; }

  // The reply of the last exchange.
  [[nodiscard]] const std::string& Body() const { return reply_.Body(); }
  [[nodiscard]] const std::string& Header() const { return reply_.Header(); }
  [[nodiscard]] std::int16_t StatusCode() const { return reply_.StatusCode(); }

  std::function<void(CmdType)> OnSuccess;
  std::function<void(CmdType)> OnFailure;
  std::function<void()> OnDisconnect;
  std::function<void(const std::string& reason)> OnExchangeFailed;

 private:
  void Connected();
  void DataArrived(std::string_view bytes);
  void ConnectionClosed();
  void TimedOut();
  // Closes our side, when still open, and raises the closing notifications.
  void Finish(bool failed, const std::string& reason);
  void KeepAlive();
  // Runs one notification of `source` (nullptr for the timer).
  template <typename Step>
  void Notified(const ports::TcpConnection* source, Step step);

  ports::TcpConnectionFactory connections_;
  // The whole exchange's limit, made before the progress timer.
  std::unique_ptr<ports::Timer> deadline_;
  std::unique_ptr<ports::Timer> timer_;
  Limits limits_;
  std::unique_ptr<ports::TcpConnection> connection_;
  // Connections of ended exchanges. A connection must not be destroyed inside
  // its own notification, so they are released only when no notification of
  // ours runs, and the one that is notifying right now is kept until later.
  std::vector<std::unique_ptr<ports::TcpConnection>> finished_;
  int notification_depth_ = 0;
  std::string request_;
  HttpReplyReader reply_{0};
  std::string error_;  // the platform's reason, once one was reported
  bool failed_ = false;
};

}  // namespace lobbyfind::directory
