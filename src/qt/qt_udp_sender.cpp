#include "qt/qt_udp_sender.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QObject>
#include <optional>
#include <string_view>
#include <vector>

namespace lobbyfind::qt {

namespace {

// "a.b.c.d" with four decimal parts of at most 255, as the directory lists
// servers; anything else (a name, blanks, short forms) takes the general way.
std::optional<std::uint32_t> PlainDottedIpv4(std::string_view text) {
  std::uint32_t address = 0;
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

sockaddr_in Ipv4(std::uint32_t address, std::uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(address);
  return to;
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

QtUdpSender::QtUdpSender() : reports_(std::make_unique<QObject>()) {
  // A failed socket is not fatal here: every send then says it failed.
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  const sockaddr_in any = Ipv4(INADDR_ANY, 0);
  (void)bind(fd_, reinterpret_cast<const sockaddr*>(&any), sizeof any);
  // The requests are a few dozen bytes and never need fragmenting: sent with
  // "don't fragment", the system leaves their identification field 0 rather
  // than drawing a fresh one per datagram from its shared table, a tenth of
  // what each of a long list's requests costs it.
  const int probe = IP_PMTUDISC_PROBE;
  (void)setsockopt(fd_, IPPROTO_IP, IP_MTU_DISCOVER, &probe, sizeof probe);
}

QtUdpSender::~QtUdpSender() {
  // The thread sends from the socket: it stops before the socket closes.
  away_.reset();
  lookups_.clear();
  if (fd_ >= 0) close(fd_);
}

bool QtUdpSender::SendTo(const sockaddr_in& to, std::string_view datagram) const {
  const ssize_t sent =
      sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return sent == static_cast<ssize_t>(datagram.size());
}

bool QtUdpSender::Send(const std::string& host, std::uint16_t port, std::string_view datagram) {
  if (port == 0 || fd_ < 0) return false;
  // A game list sends thousands of these in a row: the usual plain address
  // goes out without more ado, and the datagram is not copied, since the
  // socket has sent it before this returns.
  if (const auto plain = PlainDottedIpv4(host)) return SendTo(Ipv4(*plain, port), datagram);
  const std::string name(Trimmed(host));
  if (name.empty()) return false;
  if (const auto plain = PlainDottedIpv4(name)) return SendTo(Ipv4(*plain, port), datagram);
  in6_addr v6{};
  if (inet_pton(AF_INET6, name.c_str(), &v6) == 1) return false;  // the games are reached over IPv4
  // A name (or another spelling of a number): looked up without blocking;
  // a name nobody knows has nobody to ping.
  HostLookup& lookup = lookups_.emplace_back();
  const auto entry = std::prev(lookups_.end());
  lookup.Start(
      name, port, AF_INET, SOCK_DGRAM,
      [this, entry, bytes = std::string(datagram)](std::vector<SocketAddress> found, const std::string&) {
        if (!found.empty() && found.front().storage.ss_family == AF_INET) {
          (void)SendTo(reinterpret_cast<const sockaddr_in&>(found.front().storage), bytes);
        }
        // Gone on the next turn: this runs inside the lookup's own
        // notification.
        QMetaObject::invokeMethod(
            reports_.get(), [this, entry] { lookups_.erase(entry); }, Qt::QueuedConnection);
      });
  return true;
}

std::size_t QtUdpSender::SendToEach(std::span<const std::string> hosts, std::uint16_t port,
                                    std::string_view datagram) {
  const int fd = fd_;
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
}

std::optional<std::vector<sockaddr_in>> QtUdpSender::PlainAddresses(const std::vector<std::string>& hosts,
                                                                    std::uint16_t port) {
  std::vector<sockaddr_in> to;
  to.reserve(hosts.size());
  for (const auto& host : hosts) {
    const auto plain = PlainDottedIpv4(host);
    if (!plain) return std::nullopt;  // a name is resolved in this thread's event loop: Send's way
    to.push_back(Ipv4(*plain, port));
  }
  return to;
}

bool QtUdpSender::SendToEachAway(std::vector<std::string> hosts, std::uint16_t port, std::string datagram,
                                 const ports::Clock& clock, Departed departed) {
  const int fd = fd_;
  if (fd < 0 || port == 0) return false;
  auto to = PlainAddresses(hosts, port);
  if (!to) return false;
  if (!away_) {
    // Each run's report comes back through this thread's event loop; one
    // that comes after a newer job started (or the sender is gone) is dropped.
    away_ = std::make_unique<platform::DatagramThread>([this](std::uint64_t job, const Departure& run) {
      QMetaObject::invokeMethod(
          reports_.get(),
          [this, job, run] {
            if (away_ && away_->Current(job) && departed_) departed_(run);
          },
          Qt::QueuedConnection);
    });
  }
  departed_ = std::move(departed);
  away_port_ = port;
  away_job_ = away_->Start(fd, std::move(*to), std::move(datagram), clock);
  return true;
}

bool QtUdpSender::SendMoreAway(std::vector<std::string> hosts) {
  if (!away_ || !away_->Current(away_job_)) return false;
  const auto to = PlainAddresses(hosts, away_port_);
  return to && away_->Extend(away_job_, *to);
}

void QtUdpSender::StopSendingAway() {
  if (away_) away_->Stop();
  departed_ = nullptr;
}

ports::UdpSenderFactory MakeQtUdpSenderFactory() {
  return [] { return std::make_unique<QtUdpSender>(); };
}

}  // namespace lobbyfind::qt
