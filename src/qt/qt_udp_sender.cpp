#include "qt/qt_udp_sender.h"

#include <QHostInfo>
#include <QNetworkProxy>
#include <optional>
#include <string_view>
#include <vector>

#ifdef __linux__
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace lobbyfind::qt {

QtUdpSender::QtUdpSender() {
  // The requests go straight to the games: no proxy carries them, and asking
  // the system's proxy settings (libproxy, on a thread of its own, while the
  // window waits) is a good part of the start-up.
  socket_.setProxy(QNetworkProxy::NoProxy);
  // A failed bind is not fatal: the first writeDatagram binds implicitly.
  socket_.bind(QHostAddress(QHostAddress::AnyIPv4), 0);
#ifdef __linux__
  // The requests are a few dozen bytes and never need fragmenting: sent with
  // "don't fragment", the system leaves their identification field 0 rather
  // than drawing a fresh one per datagram from its shared table, a tenth of
  // what each of a long list's requests costs it.
  const int probe = IP_PMTUDISC_PROBE;
  (void)setsockopt(static_cast<int>(socket_.socketDescriptor()), IPPROTO_IP, IP_MTU_DISCOVER, &probe, sizeof probe);
#endif
}

bool QtUdpSender::SendTo(const QHostAddress& address, std::uint16_t port, const QByteArray& datagram) {
  return socket_.writeDatagram(datagram, address, port) == datagram.size();
}

namespace {

// "a.b.c.d" with four decimal parts of at most 255, as the directory lists
// servers; anything else (a name, blanks, short forms) takes the general way.
std::optional<quint32> PlainDottedIpv4(std::string_view text) {
  quint32 address = 0;
  int parts = 0;
  std::size_t at = 0;
  while (parts < 4) {
    unsigned part = 0;
    std::size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
      part = part * 10 + static_cast<unsigned>(text[at++] - '0');
      ++digits;
    }
    if (digits == 0 || part > 255) return std::nullopt;
    address = (address << 8) | part;
    if (++parts < 4 && (at >= text.size() || text[at++] != '.')) return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  return address;
}

#ifdef __linux__
sockaddr_in Ipv4(quint32 address, std::uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(address);
  return to;
}
#endif

}  // namespace

QtUdpSender::~QtUdpSender() = default;

bool QtUdpSender::Send(const std::string& host, std::uint16_t port, std::string_view datagram) {
  if (port == 0) return false;
  // A game list sends thousands of these in a row: the usual plain address
  // goes out without converting text, and the datagram is not copied, since
  // the socket has sent it before this returns.
  if (const auto plain = PlainDottedIpv4(host)) {
    return SendTo(QHostAddress(*plain), port,
                  QByteArray::fromRawData(datagram.data(), static_cast<qsizetype>(datagram.size())));
  }
  const QByteArray bytes(datagram.data(), static_cast<qsizetype>(datagram.size()));
  const QString name = QString::fromStdString(host).trimmed();
  if (name.isEmpty() || port == 0) return false;
  QHostAddress address;
  if (address.setAddress(name)) {
    if (address.protocol() != QAbstractSocket::IPv4Protocol) return false;
    return SendTo(address, port, bytes);
  }
  // A name: resolve without blocking. The socket is the context, so a
  // lookup that ends after this sender is gone does nothing.
  QHostInfo::lookupHost(name, &socket_, [this, port, bytes](const QHostInfo& info) {
    if (info.error() != QHostInfo::NoError) return;  // unknown name: nobody to ping
    for (const QHostAddress& found : info.addresses()) {
      if (found.protocol() == QAbstractSocket::IPv4Protocol) {
        SendTo(found, port, bytes);
        return;
      }
    }
  });
  return true;
}

std::size_t QtUdpSender::SendToEach(std::span<const std::string> hosts, std::uint16_t port,
                                    std::string_view datagram) {
#ifdef __linux__
  const int fd = static_cast<int>(socket_.socketDescriptor());
  if (fd < 0 || port == 0) return UdpSender::SendToEach(hosts, port, datagram);
  iovec bytes{const_cast<char*>(datagram.data()), datagram.size()};
  std::vector<sockaddr_in> to;
  std::vector<mmsghdr> messages;
  to.reserve(hosts.size());
  messages.reserve(hosts.size());
  std::size_t sent = 0;
  // Hands the plain addresses gathered so far to the system.
  const auto flush = [&] {
    sent += platform::SendEachMessage(fd, messages);
    messages.clear();
    to.clear();
  };
  for (const auto& host : hosts) {
    const auto plain = PlainDottedIpv4(host);
    if (!plain) {
      flush();
      sent += Send(host, port, datagram) ? 1 : 0;
      continue;
    }
    sockaddr_in& address = to.emplace_back(Ipv4(*plain, port));
    mmsghdr& message = messages.emplace_back();
    message.msg_hdr.msg_name = &address;
    message.msg_hdr.msg_namelen = sizeof address;
    message.msg_hdr.msg_iov = &bytes;
    message.msg_hdr.msg_iovlen = 1;
  }
  flush();
  return sent;
#else
  return UdpSender::SendToEach(hosts, port, datagram);
#endif
}

bool QtUdpSender::SendToEachAway(std::vector<std::string> hosts, std::uint16_t port, std::string datagram,
                                 const ports::Clock& clock, Departed departed) {
#ifdef __linux__
  const int fd = static_cast<int>(socket_.socketDescriptor());
  if (fd < 0 || port == 0) return false;
  std::vector<sockaddr_in> to;
  to.reserve(hosts.size());
  for (const auto& host : hosts) {
    const auto plain = PlainDottedIpv4(host);
    if (!plain) return false;  // a name is resolved in this thread's event loop: Send's way
    to.push_back(Ipv4(*plain, port));
  }
  if (!away_) {
    // Each run's report comes back through this thread's event loop; one
    // that comes after a newer job started (or the sender is gone) is dropped.
    away_ = std::make_unique<platform::DatagramThread>(
        [this](std::uint64_t job, const Departure& run) {
          QMetaObject::invokeMethod(
              &socket_,
              [this, job, run] {
                if (away_ && away_->Current(job) && departed_) departed_(run);
              },
              Qt::QueuedConnection);
        });
  }
  departed_ = std::move(departed);
  away_->Start(fd, std::move(to), std::move(datagram), clock);
  return true;
#else
  return UdpSender::SendToEachAway(std::move(hosts), port, std::move(datagram), clock, std::move(departed));
#endif
}

void QtUdpSender::StopSendingAway() {
#ifdef __linux__
  if (away_) away_->Stop();
#endif
  departed_ = nullptr;
}

ports::UdpSenderFactory MakeQtUdpSenderFactory() {
  return [] { return std::make_unique<QtUdpSender>(); };
}

}  // namespace lobbyfind::qt
