#include "win32/win32_tcp_connection.h"

#include <ws2tcpip.h>

#include <array>

#include "win32/message_window.h"
#include "win32/winsock_errors.h"

namespace lobbyfind::win32 {
namespace {
constexpr long kEvents = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;
// What one turn of the message loop reads: about 80 chat lines, whose
// handling stays well within a frame even under Wine.
constexpr std::size_t kReadChunk = 4096;
}  // namespace

Win32TcpConnection::Win32TcpConnection()
    : message_(MessageWindow::Instance().Reserve(
          [this](WPARAM wparam, LPARAM lparam) { HandleEvent(wparam, lparam); })) {}

Win32TcpConnection::Win32TcpConnection(SOCKET accepted) : Win32TcpConnection() {
  socket_ = accepted;
  state_ = State::kConnected;
  Watch();
}

Win32TcpConnection::~Win32TcpConnection() {
  Release();
  MessageWindow::Instance().Release(message_);
}

void Win32TcpConnection::Watch() {
  // WSAAsyncSelect also makes the socket non-blocking.
  WSAAsyncSelect(socket_, MessageWindow::Instance().Handle(), message_, kEvents);
}

void Win32TcpConnection::Release() {
  lookup_.Cancel();
  if (socket_ != INVALID_SOCKET) {
    WSAAsyncSelect(socket_, MessageWindow::Instance().Handle(), 0, 0);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  state_ = State::kIdle;
  outgoing_.clear();
}

void Win32TcpConnection::Connect(const std::string& host, std::uint16_t port) {
  Release();
  state_ = State::kResolving;
  lookup_.Start(host, [this, port](bool found, in_addr address, const std::string& reason) {
    if (!found) {
      state_ = State::kIdle;
      if (OnError) OnError(reason);
      if (OnClosed) OnClosed();
      return;
    }
    OpenTo(address, port);
  });
}

void Win32TcpConnection::OpenTo(in_addr address, std::uint16_t port) {
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) {
    Fail(WinsockErrorText(WSAGetLastError()));
    return;
  }
  state_ = State::kConnecting;
  Watch();
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr = address;
  if (connect(socket_, reinterpret_cast<const sockaddr*>(&target), sizeof target) == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) Fail(WinsockErrorText(error));
  }
}

void Win32TcpConnection::Fail(const std::string& reason) {
  const bool was_open = state_ != State::kIdle;
  Release();
  if (OnError) OnError(reason);
  if (was_open && OnClosed) OnClosed();
}

void Win32TcpConnection::HandleEvent(WPARAM wparam, LPARAM lparam) {
  // Events of a socket closed meanwhile (still queued) are not ours.
  if (static_cast<SOCKET>(wparam) != socket_ || socket_ == INVALID_SOCKET) return;
  const int error = WSAGETSELECTERROR(lparam);
  switch (WSAGETSELECTEVENT(lparam)) {
    case FD_CONNECT:
      if (state_ != State::kConnecting) return;
      if (error != 0) {
        Fail(WinsockErrorText(error));
        return;
      }
      state_ = State::kConnected;
      if (OnConnected) OnConnected();
      Flush();
      break;
    case FD_READ:
      // One chunk a turn: a peer that sends faster than the lines are taken
      // would otherwise keep this turn going for as long as it sends. Winsock
      // posts FD_READ again while bytes are left.
      (void)ReadChunk();
      break;
    case FD_WRITE: Flush(); break;
    case FD_CLOSE:
      if (error != 0) {
        Fail(WinsockErrorText(error));
        return;
      }
      // Whatever is still buffered comes first; ReadAll reports the close.
      ReadAll();
      break;
    default: break;
  }
}

bool Win32TcpConnection::ReadChunk() {
  if (socket_ == INVALID_SOCKET) return false;
  std::array<char, kReadChunk> buffer{};
  const int got = recv(socket_, buffer.data(), static_cast<int>(buffer.size()), 0);
  if (got > 0) {
    if (OnData) OnData(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    return true;
  }
  if (got == 0) {
    Release();
    if (OnClosed) OnClosed();
    return false;
  }
  const int error = WSAGetLastError();
  if (error != WSAEWOULDBLOCK) Fail(WinsockErrorText(error));
  return false;
}

void Win32TcpConnection::ReadAll() {
  while (ReadChunk()) {
  }
}

void Win32TcpConnection::Write(std::string_view bytes) {
  if (state_ != State::kConnected) return;
  outgoing_.append(bytes);
  Flush();
}

void Win32TcpConnection::Flush() {
  while (state_ == State::kConnected && !outgoing_.empty()) {
    const int sent = send(socket_, outgoing_.data(), static_cast<int>(outgoing_.size()), 0);
    if (sent == SOCKET_ERROR) {
      const int error = WSAGetLastError();
      // Not now: FD_WRITE says when the socket takes more.
      if (error != WSAEWOULDBLOCK) Fail(WinsockErrorText(error));
      return;
    }
    outgoing_.erase(0, static_cast<std::size_t>(sent));
  }
}

void Win32TcpConnection::Close() { Release(); }

std::string Win32TcpConnection::PeerAddress() const {
  if (socket_ == INVALID_SOCKET) return "";
  sockaddr_in peer{};
  int length = sizeof peer;
  if (getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &length) != 0 || peer.sin_family != AF_INET) {
    return "";
  }
  std::array<char, INET_ADDRSTRLEN> text{};
  return inet_ntop(AF_INET, &peer.sin_addr, text.data(), text.size()) != nullptr ? std::string(text.data())
                                                                                  : std::string();
}

}  // namespace lobbyfind::win32
