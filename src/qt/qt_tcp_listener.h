// TcpListener port over QTcpServer: listens on all IPv4 interfaces and hands
// every accepted socket to the core as a QtTcpConnection.
#pragma once

#include <QTcpServer>

#include "ports/tcp_listener.h"

namespace lobbyfind::qt {

class QtTcpListener final : public ports::TcpListener {
 public:
  QtTcpListener();
  ~QtTcpListener() override;

  bool Listen(std::uint16_t port) override;
  void Close() override;
  [[nodiscard]] bool IsListening() const override;

 private:
  QTcpServer server_;
};

ports::TcpListenerFactory MakeQtTcpListenerFactory();

}  // namespace lobbyfind::qt
