#include "qt/qt_tcp_listener.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include "qt/qt_tcp_connection.h"

#ifdef __linux__
#include "platform/linux/arrival_stamp.h"
#include "qt/stamped_tcp_connection.h"
#endif

namespace lobbyfind::qt {

void QtTcpListener::Server::incomingConnection(qintptr fd) {
  if (take_accepted) {
    take_accepted(fd);
  } else {
    QTcpServer::incomingConnection(fd);
  }
}

QtTcpListener::QtTcpListener() {
  // Games deliver their answers straight to this port; asking the system's
  // proxy settings (libproxy, on a thread of its own) would only cost time.
  server_.setProxy(QNetworkProxy::NoProxy);
#ifdef __linux__
  // Each arrival on an accepted socket is read with the system's stamp of
  // when it came, whether it came before the accept or after: an answer is
  // timed where its bytes arrived, not where the event loop got round to
  // them.
  server_.take_accepted = [this](qintptr fd) {
    auto connection = std::make_unique<StampedTcpConnection>(static_cast<int>(fd));
    if (OnAccepted) OnAccepted(std::move(connection));
    // Without a taker the connection is closed as it goes out of scope.
  };
#endif
  QObject::connect(&server_, &QTcpServer::newConnection, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      auto connection = std::make_unique<QtTcpConnection>(socket);
      if (OnAccepted) {
        OnAccepted(std::move(connection));
      }
    }
  });
}

QtTcpListener::~QtTcpListener() {
  server_.take_accepted = nullptr;
  server_.disconnect();
}

bool QtTcpListener::Listen(std::uint16_t port) {
  if (server_.isListening()) server_.close();
  // Every listed game answers a refresh within a few milliseconds of the
  // others; Qt's default queue of 50 would drop the rest, and each dropped
  // game's system tries again only a second later, which shows as its ping.
  server_.setListenBacklogSize(1024);
  // IPv4 only: the answers are matched by dotted IPv4 address.
  if (!server_.listen(QHostAddress::AnyIPv4, port)) return false;
#ifdef __linux__
  // The accepted sockets take the option from the listener.
  (void)platform::AskForArrivalStamps(static_cast<int>(server_.socketDescriptor()));
#endif
  return true;
}

void QtTcpListener::Close() { server_.close(); }

bool QtTcpListener::IsListening() const { return server_.isListening(); }

ports::TcpListenerFactory MakeQtTcpListenerFactory() {
  return [] { return std::make_unique<QtTcpListener>(); };
}

}  // namespace lobbyfind::qt
