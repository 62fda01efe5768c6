#include "notification_standin.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStandardPaths>
#include <QVariant>

namespace lobbyfind::testing {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kStartMs = 10000;

}  // namespace

// Answers the service's calls as a notification daemon does: Notify gives a
// fresh id, GetCapabilities says bodies may hold markup (the case in which
// the lobby must escape what strangers typed).
class NotificationStandIn::Service final : public QDBusVirtualObject {
 public:
  std::vector<Call> calls;

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == "Notify") {
      const QList<QVariant> args = message.arguments();
      if (args.size() != 8) {
        connection.send(message.createErrorReply(QDBusError::InvalidArgs, "Notify takes 8 arguments"));
        return true;
      }
      calls.push_back({args[0].toString(), args[3].toString(), args[4].toString()});
      connection.send(message.createReply(QVariant::fromValue(static_cast<uint>(calls.size()))));
      return true;
    }
    if (message.member() == "GetCapabilities") {
      connection.send(message.createReply(QStringList{"body", "body-markup"}));
      return true;
    }
    return false;
  }
};

NotificationStandIn::~NotificationStandIn() {
  if (connection_) {
    connection_->unregisterObject(kPath);
    QDBusConnection::disconnectFromBus(connection_->name());
  }
  if (daemon_.state() != QProcess::NotRunning) {
    daemon_.terminate();
    daemon_.waitForFinished(kStartMs);
  }
}

bool NotificationStandIn::Start() {
  const QString program = QStandardPaths::findExecutable("dbus-daemon");
  if (program.isEmpty()) {
    error_ = "dbus-daemon is not installed (package dbus-daemon)";
    return false;
  }
  if (!dir_.isValid()) {
    error_ = "no temporary folder";
    return false;
  }
  const QString socket = dir_.filePath("bus");
  daemon_.start(program, {"--session", "--nofork", "--nopidfile", "--address=unix:path=" + socket,
                          "--print-address=1"});
  // The daemon prints its address once it listens.
  while (address_.isEmpty()) {
    if (!daemon_.waitForReadyRead(kStartMs)) {
      error_ = "dbus-daemon did not start: " + daemon_.readAllStandardError().toStdString();
      return false;
    }
    if (daemon_.canReadLine()) address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  connection_ =
      std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, "notification-standin"));
  service_ = std::make_unique<Service>();
  if (!connection_->isConnected() || !connection_->registerVirtualObject(kPath, service_.get()) ||
      !connection_->registerService(kService)) {
    error_ =
        "cannot claim " + std::string(kService) + ": " + connection_->lastError().message().toStdString();
    return false;
  }
  return true;
}

const std::vector<NotificationStandIn::Call>& NotificationStandIn::Calls() const { return service_->calls; }

}  // namespace lobbyfind::testing
