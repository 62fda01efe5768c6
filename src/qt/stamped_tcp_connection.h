// TcpConnection port over a socket accepted on Linux, read straight from the
// system with each arrival's stamp (see platform/linux/arrival_stamp.h). QTcpSocket reads
// its bytes before any signal of its own, so the stamp of bytes that come
// after the accept would be gone by then; this reads them itself. It only
// takes what is already connected: Connect() is not for it.
#pragma once

#ifdef __linux__

#include <QSocketNotifier>
#include <memory>
#include <optional>

#include "ports/tcp_connection.h"

namespace lobbyfind::qt {

class StampedTcpConnection final : public ports::TcpConnection {
 public:
  // The most one notification of data hands to the core: a flood is taken
  // in slices, one per turn of the event loop, and TCP slows the sender.
  static constexpr std::size_t kReadSliceBytes = 16 * 1024;

  // Takes over `fd`, an accepted, connected socket.
  explicit StampedTcpConnection(int fd);
  ~StampedTcpConnection() override;

  // Reports an error: this connection was accepted, it does not connect.
  void Connect(const std::string& host, std::uint16_t port) override;
  // What the system takes at once; the rest is dropped (the answer port
  // never writes).
  void Write(std::string_view bytes) override;
  void Close() override;
  [[nodiscard]] bool IsConnected() const override { return fd_ >= 0; }
  [[nodiscard]] std::string PeerAddress() const override;
  [[nodiscard]] std::optional<std::int64_t> TakeArrivalUs() override;

 private:
  void ReadSlice();
  // Ends the connection after the peer closed it or it broke.
  void Broken(const std::string& reason);

  int fd_;
  std::unique_ptr<QSocketNotifier> readable_;
  std::optional<std::int64_t> arrival_us_;
};

}  // namespace lobbyfind::qt

#endif
