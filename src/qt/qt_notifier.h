// Notifications of the Linux edition: the desktop's notification service
// (org.freedesktop.Notifications) reached over D-Bus. A desktop without the
// service shows nothing; the lobby goes on as before.
#pragma once

#include <QDBusConnection>

#include "ports/notifier.h"

class QWidget;

namespace lobbyfind::qt {

class QtNotifier final : public ports::Notifier {
 public:
  // `window`: the main window, whose activity decides; `bus`: where the
  // service is asked (the session bus; a test's own bus).
  QtNotifier(const QWidget& window, QDBusConnection bus);

  [[nodiscard]] bool WindowActive() const override;
  void Notify(const std::string& title, const std::string& text) override;

 private:
  const QWidget& window_;
  QDBusConnection bus_;
};

}  // namespace lobbyfind::qt
