// A listening TCP socket. Accepted connections are handed to the core, which
// owns them from then on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "ports/tcp_connection.h"

namespace lobbyfind::ports {

class TcpListener {
 public:
  TcpListener() = default;
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;
  virtual ~TcpListener() = default;

  // Listens on all local interfaces. False when the port cannot be had.
  virtual bool Listen(std::uint16_t port) = 0;
  // Stops listening. Connections already handed out stay with their owner.
  virtual void Close() = 0;
  [[nodiscard]] virtual bool IsListening() const = 0;

  // A new connection, already open; its notifications start after the call.
  std::function<void(std::unique_ptr<TcpConnection>)> OnAccepted;
};

using TcpListenerFactory = std::function<std::unique_ptr<TcpListener>()>;

}  // namespace lobbyfind::ports
