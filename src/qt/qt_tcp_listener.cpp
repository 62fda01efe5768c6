#include "qt/qt_tcp_listener.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include "qt/qt_tcp_connection.h"

namespace lobbyfind::qt {

QtTcpListener::QtTcpListener() {
  // Games deliver their answers straight to this port; asking the system's
  // proxy settings (libproxy, on a thread of its own) would only cost time.
  server_.setProxy(QNetworkProxy::NoProxy);
  QObject::connect(&server_, &QTcpServer::newConnection, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      auto connection = std::make_unique<QtTcpConnection>(socket);
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
  return server_.listen(QHostAddress::AnyIPv4, port);
}

void QtTcpListener::Close() { server_.close(); }

bool QtTcpListener::IsListening() const { return server_.isListening(); }

ports::TcpListenerFactory MakeQtTcpListenerFactory() {
  return [] { return std::make_unique<QtTcpListener>(); };
}

}  // namespace lobbyfind::qt
