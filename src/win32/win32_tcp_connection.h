// TcpConnection port on Winsock: a non-blocking socket whose events
// (connected, readable, writable, closed) arrive through WSAAsyncSelect on the
// message window, so the core hears of them on the UI thread.
#pragma once

#include <winsock2.h>

#include <string>

#include "ports/tcp_connection.h"
#include "win32/host_lookup.h"

namespace lobbyfind::win32 {

class Win32TcpConnection final : public ports::TcpConnection {
 public:
  Win32TcpConnection();
  // An accepted socket, already connected.
  explicit Win32TcpConnection(SOCKET accepted);
  ~Win32TcpConnection() override;

  void Connect(const std::string& host, std::uint16_t port) override;
  void Write(std::string_view bytes) override;
  void Close() override;
  [[nodiscard]] bool IsConnected() const override { return state_ == State::kConnected; }
  [[nodiscard]] std::string PeerAddress() const override;

 private:
  enum class State { kIdle, kResolving, kConnecting, kConnected };

  void Watch();
  void OpenTo(in_addr address, std::uint16_t port);
  void HandleEvent(WPARAM wparam, LPARAM lparam);
  // Reads one chunk; false when there was nothing more to read (or the
  // connection ended).
  bool ReadChunk();
  void ReadAll();
  void Flush();
  void Fail(const std::string& reason);
  void Release();

  SOCKET socket_ = INVALID_SOCKET;
  State state_ = State::kIdle;
  UINT message_;
  HostLookup lookup_;
  std::string outgoing_;
};

}  // namespace lobbyfind::win32
