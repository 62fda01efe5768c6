// UdpSender port on Winsock: one datagram socket on an ephemeral port; host
// names are looked up without blocking and the datagram goes out when known.
#pragma once

#include <winsock2.h>

#include <list>
#include <memory>

#include "ports/udp_sender.h"
#include "win32/host_lookup.h"

namespace lobbyfind::win32 {

class Win32UdpSender final : public ports::UdpSender {
 public:
  Win32UdpSender();
  ~Win32UdpSender() override;

  bool Send(const std::string& host, std::uint16_t port, std::string_view datagram) override;

 private:
  bool SendTo(in_addr address, std::uint16_t port, std::string_view datagram);

  SOCKET socket_ = INVALID_SOCKET;
  // Lookups still running, each with its datagram.
  std::list<std::unique_ptr<HostLookup>> lookups_;
};

}  // namespace lobbyfind::win32
