#include "qt/stamped_tcp_connection.h"

#ifdef __linux__

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/linux/arrival_stamp.h"

namespace lobbyfind::qt {

StampedTcpConnection::StampedTcpConnection(int fd)
    : fd_(fd), readable_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)) {
  QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { ReadSlice(); });
}

StampedTcpConnection::~StampedTcpConnection() {
  readable_.reset();
  if (fd_ >= 0) close(fd_);
}

void StampedTcpConnection::ReadSlice() {
  // One slice per notification; what remains raises the next one.
  static thread_local std::vector<char> buffer(kReadSliceBytes);
  const platform::StampedRead read = platform::ReadStamped(fd_, buffer.data(), buffer.size());
  if (read.bytes < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (read.bytes < 0) return Broken(std::strerror(errno));
  if (read.bytes == 0) return Broken({});
  arrival_us_ = read.arrival_us;
  // Copied out: a handler may run the event loop, and another connection's
  // slice would reuse the buffer under it.
  const std::string bytes(buffer.data(), static_cast<std::size_t>(read.bytes));
  if (OnData) OnData(bytes);
}

void StampedTcpConnection::Broken(const std::string& reason) {
  readable_->setEnabled(false);
  // The peer closing its side is an ordinary end, reported by OnClosed alone.
  if (!reason.empty() && OnError) OnError(reason);
  // A handler may have closed this connection meanwhile.
  if (fd_ < 0) return;
  close(std::exchange(fd_, -1));
  if (OnClosed) OnClosed();
}

void StampedTcpConnection::Connect(const std::string&, std::uint16_t) {
  if (OnError) OnError("an accepted connection does not connect");
}

void StampedTcpConnection::Write(std::string_view bytes) {
  if (fd_ < 0) return;
  (void)send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void StampedTcpConnection::Close() {
  if (fd_ < 0) return;
  readable_->setEnabled(false);
  close(std::exchange(fd_, -1));
}

std::string StampedTcpConnection::PeerAddress() const {
  sockaddr_storage peer{};
  socklen_t size = sizeof peer;
  if (fd_ < 0 || getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return {};
  char text[INET_ADDRSTRLEN] = {};
  if (peer.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer).sin_addr, text, sizeof text);
    return text;
  }
  const auto& v6 = reinterpret_cast<const sockaddr_in6&>(peer);
  if (peer.ss_family == AF_INET6 && IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
    inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
    return text;
  }
  return {};
}

std::optional<std::int64_t> StampedTcpConnection::TakeArrivalUs() {
  return std::exchange(arrival_us_, std::nullopt);
}

}  // namespace lobbyfind::qt

#endif
