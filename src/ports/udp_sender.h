// Sends single UDP datagrams from an ephemeral local port. Datagrams that
// arrive on that port are not used.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace lobbyfind::ports {

class UdpSender {
 public:
  UdpSender() = default;
  UdpSender(const UdpSender&) = delete;
  UdpSender& operator=(const UdpSender&) = delete;
  virtual ~UdpSender() = default;

  // Sends one datagram to host:port. A dotted IPv4 address is sent at once; a
  // host name may be resolved without blocking and sent when known. False when
  // the datagram cannot be sent (bad address, refused by the socket).
  virtual bool Send(const std::string& host, std::uint16_t port, std::string_view datagram) = 0;

  // Sends the same datagram to each of `hosts` at `port`, in their order, as
  // Send would one by one; returns how many were sent. An adapter may hand
  // the system many datagrams in one call: a game list sends thousands.
  virtual std::size_t SendToEach(std::span<const std::string> hosts, std::uint16_t port, std::string_view datagram) {
    std::size_t sent = 0;
    for (const auto& host : hosts) sent += Send(host, port, datagram) ? 1 : 0;
    return sent;
  }
};

using UdpSenderFactory = std::function<std::unique_ptr<UdpSender>()>;

}  // namespace lobbyfind::ports
