// One TCP connection, client side or accepted by a TcpListener. All
// notifications arrive on the user-interface thread, one at a time; the core
// never blocks on a connection. A connection must not be destroyed inside one
// of its own notifications: Close() it there and release it later.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lobbyfind::ports {

class TcpConnection {
 public:
  TcpConnection() = default;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;
  virtual ~TcpConnection() = default;

  // Starts connecting and returns at once. `host` is a dotted address or a
  // host name; the adapter resolves names without blocking. The outcome is
  // OnConnected, or OnError followed by OnClosed.
  virtual void Connect(const std::string& host, std::uint16_t port) = 0;

  // Queues bytes for sending. Bytes written while not connected are dropped.
  virtual void Write(std::string_view bytes) = 0;

  // Closes at once. No notification is raised for a close the core asked for.
  virtual void Close() = 0;

  [[nodiscard]] virtual bool IsConnected() const = 0;

  // The peer's IPv4 address as dotted text ("" when unknown); an IPv4-mapped
  // IPv6 peer is given in its IPv4 form.
  [[nodiscard]] virtual std::string PeerAddress() const = 0;
  // When the system received the bytes the next OnData hands over, on the
  // clock of Clock::MonotonicUs, if the platform can tell; given once. The
  // system's stamp is not delayed by the event loop's other work.
  [[nodiscard]] virtual std::optional<std::int64_t> TakeArrivalUs() { return std::nullopt; }

  std::function<void()> OnConnected;
  // Every arrival of bytes, as the socket delivered them (not split in lines).
  std::function<void(std::string_view bytes)> OnData;
  // Name not resolved, connection refused, reset, and the like: a readable
  // reason from the platform. OnClosed follows when the socket was open or
  // opening.
  std::function<void(const std::string& reason)> OnError;
  // The peer closed the connection, or it broke after an error.
  std::function<void()> OnClosed;
};

using TcpConnectionFactory = std::function<std::unique_ptr<TcpConnection>()>;

}  // namespace lobbyfind::ports
