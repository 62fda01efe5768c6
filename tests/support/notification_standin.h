// A private D-Bus session (its own dbus-daemon on a socket in a temporary
// folder) with a stand-in for the desktop's notification service on it: it
// owns org.freedesktop.Notifications and records every Notify call, so a
// test sees exactly what the lobby asked the desktop to show.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

namespace lobbyfind::testing {

class NotificationStandIn {
 public:
  struct Call {
    QString app_name;
    QString summary;
    QString body;
  };

  NotificationStandIn() = default;
  NotificationStandIn(const NotificationStandIn&) = delete;
  NotificationStandIn& operator=(const NotificationStandIn&) = delete;
  ~NotificationStandIn();

  // Starts the bus and claims the service's name on it. On failure returns
  // false and leaves the reason in Error().
  bool Start();
  // The bus's address, for the program under test.
  [[nodiscard]] const QString& Address() const { return address_; }
  [[nodiscard]] const std::string& Error() const { return error_; }
  // Every Notify call so far, in order.
  [[nodiscard]] const std::vector<Call>& Calls() const;

 private:
  class Service;
  QTemporaryDir dir_;
  QProcess daemon_;
  QString address_;
  std::string error_;
  std::unique_ptr<Service> service_;
  std::unique_ptr<QDBusConnection> connection_;
};

}  // namespace lobbyfind::testing
