// TcpConnection port over QTcpSocket. Name resolution and connecting run in
// the Qt event loop; nothing here blocks.
#pragma once

#include <QTcpSocket>
#include <memory>
#include <optional>

#include "ports/tcp_connection.h"

namespace lobbyfind::qt {

class QtTcpConnection final : public ports::TcpConnection {
 public:
  // The most one notification of data hands to the core.
  static constexpr qint64 kReadSliceBytes = 16 * 1024;

  QtTcpConnection();
  // Wraps a socket accepted by a QTcpServer (already connected).
  explicit QtTcpConnection(QTcpSocket* accepted);
  ~QtTcpConnection() override;

  void Connect(const std::string& host, std::uint16_t port) override;
  void Write(std::string_view bytes) override;
  void Close() override;
  [[nodiscard]] bool IsConnected() const override;
  [[nodiscard]] std::string PeerAddress() const override;
  [[nodiscard]] std::optional<std::int64_t> TakeArrivalUs() override;
  // When the system received the first bytes waiting on an accepted socket
  // (the listener asks the system to stamp what arrives).
  void SetFirstArrivalUs(std::int64_t us) { arrival_us_ = us; }

 private:
  void Wire();

  QTcpSocket* socket_;
  bool closing_ = false;
  bool connected_ = false;
  std::optional<std::int64_t> arrival_us_;
};

ports::TcpConnectionFactory MakeQtTcpConnectionFactory();

}  // namespace lobbyfind::qt
