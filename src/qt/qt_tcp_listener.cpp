#include "qt/qt_tcp_listener.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include "qt/qt_tcp_connection.h"

#ifdef __linux__
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <optional>
#endif

namespace lobbyfind::qt {
namespace {

#ifdef __linux__
// When the system received the bytes waiting on `fd`, on the steady clock
// in microseconds (the clock of SystemClock::MonotonicUs); nothing when no
// bytes wait yet or the system did not stamp them. The bytes stay unread.
std::optional<std::int64_t> WaitingBytesArrivalUs(qintptr fd) {
  char byte = 0;
  iovec data{&byte, 1};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))] = {};
  msghdr message{};
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  if (recvmsg(static_cast<int>(fd), &message, MSG_PEEK | MSG_DONTWAIT) <= 0) return std::nullopt;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
    timespec stamp{};
    std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
    // The stamp is wall-clock time: its age, taken from the steady clock's now.
    using namespace std::chrono;
    const auto wall_now = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    const auto steady_now = duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    const std::int64_t stamped = std::int64_t{stamp.tv_sec} * 1000000 + stamp.tv_nsec / 1000;
    return steady_now - std::max<std::int64_t>(0, wall_now - stamped);
  }
  return std::nullopt;
}
#endif

}  // namespace

QtTcpListener::QtTcpListener() {
  // Games deliver their answers straight to this port; asking the system's
  // proxy settings (libproxy, on a thread of its own) would only cost time.
  server_.setProxy(QNetworkProxy::NoProxy);
  QObject::connect(&server_, &QTcpServer::newConnection, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
#ifdef __linux__
      // Read before Qt reads the socket: an answer is timed where its bytes
      // arrived, not where the event loop got round to them.
      const auto arrived = WaitingBytesArrivalUs(socket->socketDescriptor());
#endif
      auto connection = std::make_unique<QtTcpConnection>(socket);
#ifdef __linux__
      if (arrived) connection->SetFirstArrivalUs(*arrived);
#endif
      if (OnAccepted) {
        OnAccepted(std::move(connection));
      }
      // Without a taker the connection is closed as it goes out of scope.
    }
  });
}

QtTcpListener::~QtTcpListener() { server_.disconnect(); }

bool QtTcpListener::Listen(std::uint16_t port) {
  if (server_.isListening()) server_.close();
  // IPv4 only: the answers are matched by dotted IPv4 address.
  if (!server_.listen(QHostAddress::AnyIPv4, port)) return false;
#ifdef __linux__
  // The system stamps what arrives on the accepted sockets (they take the
  // option from the listener).
  const int on = 1;
  (void)setsockopt(static_cast<int>(server_.socketDescriptor()), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
#endif
  return true;
}

void QtTcpListener::Close() { server_.close(); }

bool QtTcpListener::IsListening() const { return server_.isListening(); }

ports::TcpListenerFactory MakeQtTcpListenerFactory() {
  return [] { return std::make_unique<QtTcpListener>(); };
}

}  // namespace lobbyfind::qt
