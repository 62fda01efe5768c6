// Name lookup for the socket ports without blocking the window's thread: a
// numeric address is answered at once; a host name goes to the system's
// resolver on a thread of its own, and the answer comes back through the
// event loop (an eventfd the loop watches, so the resolver's thread never
// touches a Qt object and may outlive the lookup that started it).
#pragma once

#include <sys/socket.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace lobbyfind::qt {

struct SocketAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
  [[nodiscard]] const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

class HostLookup {
 public:
  // The addresses found, in the resolver's order of preference; none, with
  // the resolver's reason, when the name is not known.
  using Done = std::function<void(std::vector<SocketAddress> found, const std::string& reason)>;

  HostLookup();
  // Cancels a running lookup: its `done` is then never called.
  ~HostLookup();
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;

  // Looks `host` up for `port`, as `family` (AF_INET, or AF_UNSPEC for
  // either kind) and `socket_type` want; a running lookup is cancelled.
  // `done` may run before this returns (numeric addresses, immediate
  // failures) and may destroy this lookup.
  void Start(const std::string& host, std::uint16_t port, int family, int socket_type, Done done);
  void Cancel();

 private:
  struct Pending;
  void Finish();

  std::shared_ptr<Pending> pending_;
  std::unique_ptr<QSocketNotifier> answered_;
  Done done_;
};

}  // namespace lobbyfind::qt
