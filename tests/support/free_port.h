#pragma once
// A TCP port free on every IPv4 address, for tests whose listeners must not
// meet each other (or the game's fixed ports) when tests run side by side.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <stdexcept>

namespace lobbyfind::test {

// Below the kernel's ephemeral range (32768 and up): a port handed out by
// bind(0) could be taken again by one of the lobby's own outgoing connections
// before its listener binds it. Checked on every address, as the lobby's
// listeners bind.
inline std::uint16_t FreeTcpPort() {
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> range(20000, 32000);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const auto port = static_cast<std::uint16_t>(range(random));
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    if (free) return port;
  }
  throw std::runtime_error("no free port between 20000 and 32000");
}

}  // namespace lobbyfind::test
