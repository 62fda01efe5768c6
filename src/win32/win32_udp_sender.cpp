#include "win32/win32_udp_sender.h"

#include <ws2tcpip.h>

#include <iterator>
#include <string>

namespace lobbyfind::win32 {

Win32UdpSender::Win32UdpSender() {
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ != INVALID_SOCKET) {
    u_long non_blocking = 1;
    ioctlsocket(socket_, FIONBIO, &non_blocking);
  }
}

Win32UdpSender::~Win32UdpSender() {
  lookups_.clear();
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool Win32UdpSender::SendTo(in_addr address, std::uint16_t port, std::string_view datagram) {
  if (socket_ == INVALID_SOCKET) return false;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr = address;
  return sendto(socket_, datagram.data(), static_cast<int>(datagram.size()), 0,
                reinterpret_cast<const sockaddr*>(&target), sizeof target) == static_cast<int>(datagram.size());
}

bool Win32UdpSender::Send(const std::string& host, std::uint16_t port, std::string_view datagram) {
  if (socket_ == INVALID_SOCKET || host.empty()) return false;
  in_addr address{};
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) return SendTo(address, port, datagram);
  // A host name: sent when the lookup answers; that outcome is not reported.
  lookups_.push_back(std::make_unique<HostLookup>());
  const auto entry = std::prev(lookups_.end());
  (*entry)->Start(host, [this, port, data = std::string(datagram), entry](bool found, in_addr found_address,
                                                                        const std::string&) {
    if (found) (void)SendTo(found_address, port, data);
    lookups_.erase(entry);
  });
  return true;
}

}  // namespace lobbyfind::win32
