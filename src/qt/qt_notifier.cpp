#include "qt/qt_notifier.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>
#include <QWidget>

#include "qt/text_bytes.h"

namespace lobbyfind::qt {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr const char* kAppName = "lobbyfind";
// The icon the desktop files install; the service falls back to its own.
constexpr const char* kIcon = "lobbyfind";
// -1: the service's own time before it closes the notification.
constexpr int kServiceTimeout = -1;

}  // namespace

QtNotifier::QtNotifier(const QWidget& window, QDBusConnection bus) : window_(window), bus_(std::move(bus)) {}

bool QtNotifier::WindowActive() const {
  // The lobby's own dialogs (a message box, the nickname dialog) count as
  // the window: the user is looking at the lobby then.
  for (const QWidget* active = QApplication::activeWindow(); active != nullptr;
       active = active->parentWidget()) {
    if (active == &window_) return true;
  }
  return false;
}

void QtNotifier::Notify(const std::string& title, const std::string& text) {
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
  // A service may read the body as markup: what a stranger typed is escaped
  // so that it shows as it stands. The summary is plain text by the
  // protocol.
  call << QString(kAppName) << quint32{0} << QString(kIcon) << ToScreenLine(title)
       << ToScreenLine(text).toHtmlEscaped() << QStringList() << QVariantMap() << qint32{kServiceTimeout};
  // The answer (the notification's id) is of no use; not waiting for it
  // keeps a slow or missing service from holding up the window.
  call.setAutoStartService(true);
  (void)bus_.asyncCall(call);
}

}  // namespace lobbyfind::qt
