#include "win32/win32_tcp_listener.h"

#include <memory>

#include "win32/message_window.h"
#include "win32/win32_tcp_connection.h"

namespace lobbyfind::win32 {

Win32TcpListener::Win32TcpListener()
    : message_(MessageWindow::Instance().Reserve([this](WPARAM wparam, LPARAM) { AcceptAll(wparam); })) {}

Win32TcpListener::~Win32TcpListener() {
  Close();
  MessageWindow::Instance().Release(message_);
}

bool Win32TcpListener::Listen(std::uint16_t port) {
  Close();
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return false;
  // The port belongs to this program alone while it listens.
  BOOL exclusive = TRUE;
  setsockopt(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR ||
      listen(socket_, SOMAXCONN) == SOCKET_ERROR ||
      WSAAsyncSelect(socket_, MessageWindow::Instance().Handle(), message_, FD_ACCEPT) == SOCKET_ERROR) {
    Close();
    return false;
  }
  return true;
}

void Win32TcpListener::Close() {
  if (socket_ == INVALID_SOCKET) return;
  WSAAsyncSelect(socket_, MessageWindow::Instance().Handle(), 0, 0);
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

void Win32TcpListener::AcceptAll(WPARAM socket) {
  while (socket_ != INVALID_SOCKET && static_cast<SOCKET>(socket) == socket_) {
    const SOCKET accepted = accept(socket_, nullptr, nullptr);
    if (accepted == INVALID_SOCKET) return;  // none left (or a failed one: skip it)
    auto connection = std::make_unique<Win32TcpConnection>(accepted);
    if (OnAccepted) OnAccepted(std::move(connection));
  }
}

}  // namespace lobbyfind::win32
