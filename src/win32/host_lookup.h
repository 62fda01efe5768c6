// Asynchronous IPv4 name lookup for the socket ports: a dotted address is
// answered at once, a host name by WSAAsyncGetHostByName, whose answer comes
// back through the message loop.
#pragma once

#include <winsock2.h>

#include <functional>
#include <memory>
#include <string>

namespace lobbyfind::win32 {

class HostLookup {
 public:
  // The address in network order, or nothing with a readable reason.
  using Done = std::function<void(bool found, in_addr address, const std::string& reason)>;

  HostLookup() = default;
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;
  // Cancels a running lookup: `done` is then never called.
  ~HostLookup();

  // Starts a lookup; a running one is cancelled. `done` may run before this
  // returns (dotted addresses, immediate failures).
  void Start(const std::string& host, Done done);
  void Cancel();

 private:
  struct Pending;
  std::shared_ptr<Pending> pending_;
};

}  // namespace lobbyfind::win32
