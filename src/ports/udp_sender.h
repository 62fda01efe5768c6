// Sends single UDP datagrams from an ephemeral local port. Datagrams that
// arrive on that port are not used.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ports/clock.h"

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

  // A run of the requests of one SendToEachAway: hosts[first] to
  // hosts[first + count - 1], leaving one after another between `before_us`
  // and `after_us` (the clock's MonotonicUs). Where the adapter stamped each
  // request on its own, `left_us` holds when each left (count of them, in
  // order); empty, the run went to the system in one call.
  struct Departure {
    std::size_t first = 0;
    std::size_t count = 0;
    std::int64_t before_us = 0;
    std::int64_t after_us = 0;
    std::vector<std::int64_t> left_us;
  };
  using Departed = std::function<void(const Departure&)>;

  // Sends the datagram to each of `hosts` at `port`, in their order, as
  // SendToEach would, but from a thread of the adapter's own: the requests of
  // a long list then cost the caller's thread nothing. `departed` is called on
  // the caller's thread, from its event loop, once for each run, in order;
  // `clock` stamps the runs from that other thread. A new call or
  // StopSendingAway drops what the previous call has not sent yet, and no
  // report of it comes after. False, with nothing sent, where the adapter
  // cannot (no such thread, or a host that is not a dotted IPv4 address):
  // the caller sends them itself.
  virtual bool SendToEachAway(std::vector<std::string> hosts, std::uint16_t port, std::string datagram,
                              const Clock& clock, Departed departed) {
    (void)hosts, (void)port, (void)datagram, (void)clock, (void)departed;
    return false;
  }
  // Adds `hosts` at the end of the list the last SendToEachAway is sending,
  // as if they had been in it from the start: their runs are reported after
  // its others, numbered on from them, even when all those had left. False,
  // with nothing added, where that call would have refused these hosts, or
  // where its list was replaced or stopped or there is none.
  virtual bool SendMoreAway(std::vector<std::string> hosts) {
    (void)hosts;
    return false;
  }
  virtual void StopSendingAway() {}
};

using UdpSenderFactory = std::function<std::unique_ptr<UdpSender>()>;

}  // namespace lobbyfind::ports
