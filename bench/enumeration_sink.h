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

namespace lobbyfind::bench {

class EnumerationSink {
 public:
  // Shares the port with the stand-in game hosts, which bind their own
  // addresses (and so get their requests themselves).
  explicit EnumerationSink(std::uint16_t port) : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    const int yes = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(port);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
  }
  ~EnumerationSink() {
    if (fd_ >= 0) close(fd_);
  }
  EnumerationSink(const EnumerationSink&) = delete;
  EnumerationSink& operator=(const EnumerationSink&) = delete;

  [[nodiscard]] bool Bound() const { return bound_; }

 private:
  int fd_;
  bool bound_ = false;
};

}  // namespace lobbyfind::bench
