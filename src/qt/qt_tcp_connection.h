// TcpConnection port over a non-blocking system socket that the Qt event
// loop watches: names are looked up, connections made, bytes read and
// written without blocking the window's thread. Each read carries the
// system's stamp of when its bytes arrived where the socket asks for stamps
// (the answer port's accepted connections).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/tcp_connection.h"
#include "qt/host_lookup.h"

class QSocketNotifier;

namespace lobbyfind::qt {

class QtTcpConnection final : public ports::TcpConnection {
 public:
  // The most one notification of data hands to the core: a flood is taken
  // in slices, one per turn of the event loop, and TCP slows the sender
  // meanwhile.
  static constexpr std::size_t kReadSliceBytes = 16 * 1024;

  QtTcpConnection();
  // Takes over `fd`, an accepted, connected, non-blocking socket.
  explicit QtTcpConnection(int fd);
  ~QtTcpConnection() override;

  // Tries the addresses the name stands for one after another until one
  // takes the connection; the error reported is the last one's.
  void Connect(const std::string& host, std::uint16_t port) override;
  void Write(std::string_view bytes) override;
  void Close() override;
  [[nodiscard]] bool IsConnected() const override { return state_ == State::kConnected; }
  [[nodiscard]] std::string PeerAddress() const override;
  [[nodiscard]] std::optional<std::int64_t> TakeArrivalUs() override;

 private:
  enum class State { kIdle, kResolving, kConnecting, kConnected };

  // Opens a socket to the next address found and starts connecting; false
  // when none is left (last_reason_ says why the last one failed).
  bool OpenNext();
  void Watch();
  void Writable();
  void ReadSlice();
  void Flush();
  // Hands the system what it takes of the waiting bytes; the error that
  // stopped it, or 0 (all sent, or the system takes no more just now).
  int SendWaiting();
  // Ends the connection with `reason` (none: the peer's ordinary end).
  void End(std::string reason);
  void Release();

  int fd_ = -1;
  State state_ = State::kIdle;
  HostLookup lookup_;
  std::vector<SocketAddress> addresses_;
  std::size_t next_address_ = 0;
  // Why the last address tried did not take the connection.
  std::string last_reason_;
  // Counts connects and closes: a connect that was to start on a later
  // turn does nothing once another came, or a close.
  std::uint64_t attempt_ = 0;
  std::string outgoing_;
  std::unique_ptr<QSocketNotifier> readable_;
  std::unique_ptr<QSocketNotifier> writable_;
  std::optional<std::int64_t> arrival_us_;
};

ports::TcpConnectionFactory MakeQtTcpConnectionFactory();

}  // namespace lobbyfind::qt
