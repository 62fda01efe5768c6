// UdpSender port over QUdpSocket, bound to any free local port. Dotted IPv4
// addresses are sent at once; host names are resolved in the event loop and
// the datagram follows when the name is known.
#pragma once

#include <QUdpSocket>

#include <memory>

#include "ports/udp_sender.h"
#ifdef __linux__
#include "platform/linux/datagram_thread.h"
#endif

namespace lobbyfind::qt {

class QtUdpSender final : public ports::UdpSender {
 public:
  QtUdpSender();
  bool Send(const std::string& host, std::uint16_t port, std::string_view datagram) override;
  // Plain dotted addresses go to the system in batches of one call each
  // (sendmmsg); anything else takes Send's way, in its place in the order.
  std::size_t SendToEach(std::span<const std::string> hosts, std::uint16_t port, std::string_view datagram) override;
  // On Linux, from a thread of its own over the same socket; the reports
  // come through this thread's event loop.
  bool SendToEachAway(std::vector<std::string> hosts, std::uint16_t port, std::string datagram,
                      const ports::Clock& clock, Departed departed) override;
  void StopSendingAway() override;
  ~QtUdpSender() override;

 private:
  bool SendTo(const QHostAddress& address, std::uint16_t port, const QByteArray& datagram);

  QUdpSocket socket_;
  Departed departed_;
#ifdef __linux__
  // Started with the first long list; stopped and joined before the socket
  // it sends from is closed.
  std::unique_ptr<platform::DatagramThread> away_;
#endif
};

ports::UdpSenderFactory MakeQtUdpSenderFactory();

}  // namespace lobbyfind::qt
