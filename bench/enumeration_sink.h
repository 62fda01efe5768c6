// A listener on the session-enumeration port for every loopback address
// without a game of its own, while a benchmark sends a long server list its
// requests.
//
// Without one, every request to a loopback address makes the kernel answer
// "port unreachable" with an ICMP message, built, routed and received again
// inside the very send call (the ICMP rate limit spares loopback), which
// roughly doubles what a request costs here. A listed server runs a game
// listening on that port, and on a real network its receiving costs this
// machine nothing; so the benchmark gives the requests a receiver, whose
// small buffer fills at once and then drops what comes, the cheapest way
// the kernel can take a delivered datagram.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "support/udp_every_address.h"

namespace lobbyfind::bench {

class EnumerationSink {
 public:
  // Shares the port with the stand-in game hosts, which bind their own
  // addresses (and so get their requests themselves).
  explicit EnumerationSink(std::uint16_t port) : fd_(testing::UdpSocketOnEveryAddress(port)) {}
  ~EnumerationSink() {
    if (fd_ >= 0) close(fd_);
  }
  EnumerationSink(const EnumerationSink&) = delete;
  EnumerationSink& operator=(const EnumerationSink&) = delete;

  [[nodiscard]] bool Bound() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace lobbyfind::bench
