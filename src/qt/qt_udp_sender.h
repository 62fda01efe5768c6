// UdpSender port over a system UDP socket bound to any free local port.
// Dotted IPv4 addresses are sent at once; host names are looked up without
// blocking and the datagram follows when the name is known.
#pragma once

#include <netinet/in.h>

#include <list>
#include <memory>
#include <optional>

#include "platform/linux/datagram_thread.h"
#include "ports/udp_sender.h"
#include "qt/host_lookup.h"

class QObject;

namespace lobbyfind::qt {

class QtUdpSender final : public ports::UdpSender {
 public:
  QtUdpSender();
  bool Send(const std::string& host, std::uint16_t port, std::string_view datagram) override;
  // Plain dotted addresses go to the system in batches of one call each
  // (sendmmsg); anything else takes Send's way, in its place in the order.
  std::size_t SendToEach(std::span<const std::string> hosts, std::uint16_t port,
                         std::string_view datagram) override;
  // From a thread of its own over the same socket; the reports come through
  // this thread's event loop.
  bool SendToEachAway(std::vector<std::string> hosts, std::uint16_t port, std::string datagram,
                      const ports::Clock& clock, Departed departed) override;
  bool SendMoreAway(std::vector<std::string> hosts) override;
  void StopSendingAway() override;
  ~QtUdpSender() override;

 private:
  bool SendTo(const sockaddr_in& to, std::string_view datagram) const;
  // The plain dotted addresses of `hosts` at `port`; nothing when one is not.
  static std::optional<std::vector<sockaddr_in>> PlainAddresses(const std::vector<std::string>& hosts,
                                                                std::uint16_t port);

  int fd_ = -1;
  // The context of what comes back through the event loop (the thread's
  // reports, lookups done): dropped with it.
  std::unique_ptr<QObject> reports_;
  Departed departed_;
  // The names being looked up, each with the datagram that waits for it.
  std::list<HostLookup> lookups_;
  // Started with the first long list; stopped and joined before the socket
  // it sends from is closed.
  std::unique_ptr<platform::DatagramThread> away_;
  std::uint64_t away_job_ = 0;
  std::uint16_t away_port_ = 0;
};

ports::UdpSenderFactory MakeQtUdpSenderFactory();

}  // namespace lobbyfind::qt
