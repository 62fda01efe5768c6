// TcpConnection port over QTcpSocket. Name resolution and connecting run in
// the Qt event loop; nothing here blocks.
#pragma once

#include <QTcpSocket>
#include <memory>

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

 private:
  void Wire();

  QTcpSocket* socket_;
  bool closing_ = false;
  bool connected_ = false;
};

ports::TcpConnectionFactory MakeQtTcpConnectionFactory();

}  // namespace lobbyfind::qt
