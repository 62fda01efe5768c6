#include "qt/qt_tcp_connection.h"

#include <QHostAddress>

namespace lobbyfind::qt {

QtTcpConnection::QtTcpConnection() : socket_(new QTcpSocket) { Wire(); }

QtTcpConnection::QtTcpConnection(QTcpSocket* accepted) : socket_(accepted) {
  socket_->setParent(nullptr);
  connected_ = socket_->state() == QAbstractSocket::ConnectedState;
  Wire();
}

QtTcpConnection::~QtTcpConnection() {
  closing_ = true;
  socket_->disconnect();
  socket_->abort();
  // The socket may be inside one of its own signals right now; let the event
  // loop free it.
  socket_->deleteLater();
}

void QtTcpConnection::Wire() {
  // Qt would otherwise read all a peer has sent in one go, and the core
  // handles one read in one go: a flood would hold the event loop for
  // seconds. A bounded buffer hands it over in slices, one per turn of the
  // event loop, and TCP slows the sender meanwhile.
  socket_->setReadBufferSize(kReadSliceBytes);
  QObject::connect(socket_, &QTcpSocket::connected, [this] {
    connected_ = true;
    if (OnConnected) OnConnected();
  });
  QObject::connect(socket_, &QTcpSocket::readyRead, [this] {
    // A handler may close or replace this connection; stop reading then.
    while (!closing_ && socket_->bytesAvailable() > 0) {
      const QByteArray bytes = socket_->readAll();
      if (OnData) OnData(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
  });
  QObject::connect(socket_, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError error) {
    if (closing_) return;
    // The peer closing its side is an ordinary end, reported by disconnected.
    if (error == QAbstractSocket::RemoteHostClosedError) return;
    if (OnError) OnError(socket_->errorString().toStdString());
    // A connection that never came up gets no disconnected signal from Qt.
    if (!connected_ && socket_->state() == QAbstractSocket::UnconnectedState && OnClosed) OnClosed();
  });
  QObject::connect(socket_, &QTcpSocket::disconnected, [this] {
    const bool was_connected = connected_;
    connected_ = false;
    if (!closing_ && was_connected && OnClosed) OnClosed();
  });
}

void QtTcpConnection::Connect(const std::string& host, std::uint16_t port) {
  closing_ = true;  // no notification for the abort of an earlier attempt
  socket_->abort();
  closing_ = false;
  connected_ = false;
  socket_->connectToHost(QString::fromStdString(host), port);
}

void QtTcpConnection::Write(std::string_view bytes) {
  if (socket_->state() != QAbstractSocket::ConnectedState) return;
  socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void QtTcpConnection::Close() {
  closing_ = true;
  connected_ = false;
  socket_->abort();
}

bool QtTcpConnection::IsConnected() const { return socket_->state() == QAbstractSocket::ConnectedState; }

std::string QtTcpConnection::PeerAddress() const {
  QHostAddress address = socket_->peerAddress();
  bool ok = false;
  const quint32 v4 = address.toIPv4Address(&ok);
  if (!ok) return {};
  return QHostAddress(v4).toString().toStdString();
}

ports::TcpConnectionFactory MakeQtTcpConnectionFactory() {
  return [] { return std::make_unique<QtTcpConnection>(); };
}

}  // namespace lobbyfind::qt
