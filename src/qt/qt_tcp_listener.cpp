#include "qt/qt_tcp_listener.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <utility>

#include "platform/linux/arrival_stamp.h"
#include "qt/qt_tcp_connection.h"

namespace lobbyfind::qt {
namespace {
// Every listed game answers a refresh within a few milliseconds of the
// others; a short queue would drop the rest, and each dropped game's system
// tries again only a second later, which shows as its ping.
constexpr int kBacklog = 1024;
constexpr int kPauseMs = 100;
}  // namespace

QtTcpListener::QtTcpListener() : incoming_(std::make_unique<QSocketNotifier>(QSocketNotifier::Read)) {
  incoming_->setEnabled(false);
  QObject::connect(incoming_.get(), &QSocketNotifier::activated, [this] { AcceptWaiting(); });
}

QtTcpListener::~QtTcpListener() { Close(); }

bool QtTcpListener::Listen(std::uint16_t port) {
  Close();
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A port the last run left in TIME_WAIT can be had again at once; one
  // another program listens on still cannot.
  const int on = 1;
  (void)setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(port);
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 || listen(fd, kBacklog) != 0) {
    close(fd);
    return false;
  }
  // The accepted sockets take the option from the listener.
  (void)platform::AskForArrivalStamps(fd);
  fd_ = fd;
  incoming_->setSocket(fd_);
  incoming_->setEnabled(true);
  return true;
}

void QtTcpListener::AcceptWaiting() {
  while (fd_ >= 0) {
    const int fd = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // Out of descriptors: a pause instead of spinning on a connection
        // that cannot be taken yet.
        incoming_->setEnabled(false);
        QTimer::singleShot(kPauseMs, incoming_.get(), [this] { incoming_->setEnabled(fd_ >= 0); });
      }
      return;  // EAGAIN: nothing more waiting
    }
    auto connection = std::make_unique<QtTcpConnection>(fd);
    // Without a taker the connection is closed as it goes out of scope.
    if (OnAccepted) OnAccepted(std::move(connection));
  }
}

void QtTcpListener::Close() {
  incoming_->setEnabled(false);
  if (fd_ >= 0) close(std::exchange(fd_, -1));
}

ports::TcpListenerFactory MakeQtTcpListenerFactory() {
  return [] { return std::make_unique<QtTcpListener>(); };
}

}  // namespace lobbyfind::qt
