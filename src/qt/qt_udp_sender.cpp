#include "qt/qt_udp_sender.h"

#include <QHostInfo>

namespace lobbyfind::qt {

QtUdpSender::QtUdpSender() {
  // A failed bind is not fatal: the first writeDatagram binds implicitly.
  socket_.bind(QHostAddress(QHostAddress::AnyIPv4), 0);
}

bool QtUdpSender::SendTo(const QHostAddress& address, std::uint16_t port, const QByteArray& datagram) {
  return socket_.writeDatagram(datagram, address, port) == datagram.size();
}

bool QtUdpSender::Send(const std::string& host, std::uint16_t port, std::string_view datagram) {
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

ports::UdpSenderFactory MakeQtUdpSenderFactory() {
  return [] { return std::make_unique<QtUdpSender>(); };
}

}  // namespace lobbyfind::qt
