// TcpListener port on Winsock: accepts through WSAAsyncSelect on the message
// window and hands each connection to the core as a Win32TcpConnection.
#pragma once

#include <winsock2.h>

#include "ports/tcp_listener.h"

namespace lobbyfind::win32 {

class Win32TcpListener final : public ports::TcpListener {
 public:
  Win32TcpListener();
  ~Win32TcpListener() override;

  bool Listen(std::uint16_t port) override;
  void Close() override;
  [[nodiscard]] bool IsListening() const override { return socket_ != INVALID_SOCKET; }

 private:
  void AcceptAll(WPARAM socket);

  SOCKET socket_ = INVALID_SOCKET;
  UINT message_;
};

}  // namespace lobbyfind::win32
