// Tells the user of something while the lobby's window is not in front: the
// desktop's notification service on Linux, the notification area on
// Windows. Each edition brings its own; the core decides when to notify.
#pragma once

#include <string>

namespace lobbyfind::ports {

class Notifier {
 public:
  Notifier() = default;
  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;
  virtual ~Notifier() = default;

  // Whether the main window is the one the user works in now.
  [[nodiscard]] virtual bool WindowActive() const = 0;
  // Shows one notification and returns at once. Title and text are the
  // core's bytes (shown by the text rule); a desktop without a notification
  // service simply shows nothing.
  virtual void Notify(const std::string& title, const std::string& text) = 0;
};

}  // namespace lobbyfind::ports
