// TcpListener port over a listening system socket that the Qt event loop
// watches: listens on all IPv4 interfaces and hands every accepted socket to
// the core as a QtTcpConnection, which reads each arrival with the system's
// stamp of when it came, whether it came before the accept or after.
#pragma once

#include <memory>

#include "ports/tcp_listener.h"

class QSocketNotifier;

namespace lobbyfind::qt {

class QtTcpListener final : public ports::TcpListener {
 public:
  QtTcpListener();
  ~QtTcpListener() override;

  bool Listen(std::uint16_t port) override;
  void Close() override;
  [[nodiscard]] bool IsListening() const override { return fd_ >= 0; }

 private:
  void AcceptWaiting();

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> incoming_;
};

ports::TcpListenerFactory MakeQtTcpListenerFactory();

}  // namespace lobbyfind::qt
