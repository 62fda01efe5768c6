#include "qt/qt_tcp_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/linux/arrival_stamp.h"

namespace lobbyfind::qt {

QtTcpConnection::QtTcpConnection()
    : readable_(std::make_unique<QSocketNotifier>(QSocketNotifier::Read)),
      writable_(std::make_unique<QSocketNotifier>(QSocketNotifier::Write)) {
  readable_->setEnabled(false);
  writable_->setEnabled(false);
  QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { ReadSlice(); });
  QObject::connect(writable_.get(), &QSocketNotifier::activated, [this] { Writable(); });
}

QtTcpConnection::QtTcpConnection(int fd) : QtTcpConnection() {
  fd_ = fd;
  state_ = State::kConnected;
  Watch();
}

QtTcpConnection::~QtTcpConnection() { Release(); }

void QtTcpConnection::Watch() {
  // The notifiers stay the same objects for every socket: this may run
  // inside one of their own signals, where they must not be destroyed.
  readable_->setSocket(fd_);
  writable_->setSocket(fd_);
  readable_->setEnabled(state_ == State::kConnected);
  writable_->setEnabled(state_ == State::kConnecting);
}

void QtTcpConnection::Release() {
  ++attempt_;
  lookup_.Cancel();
  readable_->setEnabled(false);
  writable_->setEnabled(false);
  if (fd_ >= 0) close(std::exchange(fd_, -1));
  state_ = State::kIdle;
  outgoing_.clear();
  addresses_.clear();
  arrival_us_.reset();
}

void QtTcpConnection::Connect(const std::string& host, std::uint16_t port) {
  Release();
  state_ = State::kResolving;
  // The lookup answers a numeric address at once, and a connect on loopback
  // may fail at once: the outcome is still reported from the event loop,
  // never inside this call.
  QTimer::singleShot(0, readable_.get(), [this, host, port, attempt = attempt_] {
    if (attempt != attempt_) return;  // closed or connecting elsewhere meanwhile
    lookup_.Start(host, port, AF_UNSPEC, SOCK_STREAM,
                  [this](std::vector<SocketAddress> found, const std::string& reason) {
                    addresses_ = std::move(found);
                    next_address_ = 0;
                    last_reason_ = reason;
                    if (!OpenNext()) End(last_reason_);
                  });
  });
}

bool QtTcpConnection::OpenNext() {
  while (next_address_ < addresses_.size()) {
    const SocketAddress& address = addresses_[next_address_++];
    const int fd = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      last_reason_ = std::strerror(errno);
      continue;
    }
    // A non-blocking connect goes on in the system; writable means done.
    if (connect(fd, address.get(), address.length) == 0 || errno == EINPROGRESS) {
      fd_ = fd;
      state_ = State::kConnecting;
      Watch();
      return true;
    }
    last_reason_ = std::strerror(errno);
    close(fd);
  }
  return false;
}

void QtTcpConnection::Writable() {
  if (state_ == State::kConnected) {
    Flush();
    return;
  }
  if (state_ != State::kConnecting) return;
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error != 0) {
    writable_->setEnabled(false);
    close(std::exchange(fd_, -1));
    last_reason_ = std::strerror(error);
    if (!OpenNext()) End(last_reason_);
    return;
  }
  state_ = State::kConnected;
  addresses_.clear();
  Watch();
  if (OnConnected) OnConnected();
}

void QtTcpConnection::ReadSlice() {
  if (state_ != State::kConnected) return;
  // One slice per notification; what remains raises the next one.
  static thread_local std::vector<char> buffer(kReadSliceBytes);
  const platform::StampedRead read = platform::ReadStamped(fd_, buffer.data(), buffer.size());
  if (read.bytes < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (read.bytes < 0) return End(std::strerror(errno));
  if (read.bytes == 0) return End({});
  arrival_us_ = read.arrival_us;
  // Copied out: a handler may run the event loop, and another connection's
  // slice would reuse the buffer under it.
  const std::string bytes(buffer.data(), static_cast<std::size_t>(read.bytes));
  if (OnData) OnData(bytes);
}

void QtTcpConnection::Write(std::string_view bytes) {
  if (state_ != State::kConnected) return;
  outgoing_.append(bytes);
  // What the system takes now goes at once. The rest waits for the
  // notifier, and so does an error: it is reported from the event loop
  // (there, or by the next read), never inside the caller's Write.
  const int error = SendWaiting();
  writable_->setEnabled(error != 0 || !outgoing_.empty());
}

void QtTcpConnection::Flush() {
  if (const int error = SendWaiting()) return End(std::strerror(error));
  writable_->setEnabled(!outgoing_.empty());
}

int QtTcpConnection::SendWaiting() {
  while (!outgoing_.empty()) {
    const ssize_t sent = send(fd_, outgoing_.data(), outgoing_.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : errno;
    outgoing_.erase(0, static_cast<std::size_t>(sent));
  }
  return 0;
}

void QtTcpConnection::End(std::string reason) {
  const bool was_open = state_ != State::kIdle;
  Release();
  // The peer closing its side is an ordinary end, reported by OnClosed alone.
  if (!reason.empty() && OnError) OnError(reason);
  if (was_open && OnClosed) OnClosed();
}

void QtTcpConnection::Close() { Release(); }

std::string QtTcpConnection::PeerAddress() const {
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

std::optional<std::int64_t> QtTcpConnection::TakeArrivalUs() {
  return std::exchange(arrival_us_, std::nullopt);
}

ports::TcpConnectionFactory MakeQtTcpConnectionFactory() {
  return [] { return std::make_unique<QtTcpConnection>(); };
}

}  // namespace lobbyfind::qt
