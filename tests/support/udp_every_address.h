// A UDP socket on one port of every local address, beside sockets that
// programs under test bind to single addresses of the same port (the
// system gives those their own datagrams, and this one the rest).
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace lobbyfind::testing {

// The socket's descriptor, or -1 when it cannot be had; `type_flags` go
// with SOCK_DGRAM (SOCK_NONBLOCK, say).
inline int UdpSocketOnEveryAddress(std::uint16_t port, int type_flags = 0) {
  const int fd = socket(AF_INET, SOCK_DGRAM | type_flags, 0);
  if (fd < 0) return -1;
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(port);
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0) return fd;
  close(fd);
  return -1;
}

}  // namespace lobbyfind::testing
