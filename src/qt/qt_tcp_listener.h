// TcpListener port over QTcpServer: listens on all IPv4 interfaces and hands
// every accepted socket to the core as a QtTcpConnection.
#pragma once

#include <QTcpServer>
#include <functional>

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
  // A QTcpServer that can take each accepted socket as it is accepted,
  // before Qt wraps it (and reads it) in a QTcpSocket.
  class Server final : public QTcpServer {
   public:
    std::function<void(qintptr)> take_accepted;

   protected:
    void incomingConnection(qintptr fd) override;
  };

  Server server_;
};

ports::TcpListenerFactory MakeQtTcpListenerFactory();

}  // namespace lobbyfind::qt
