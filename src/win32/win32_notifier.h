// Notifications of the Windows edition: a balloon from the program's icon in
// the notification area (Shell_NotifyIcon). The icon is put there with the
// first notification and taken away when the program ends.
#pragma once

#include <windows.h>

#include "ports/notifier.h"

namespace lobbyfind::win32 {

class Win32Notifier final : public ports::Notifier {
 public:
  // `window`: the main window, which owns the icon and whose being in front
  // decides.
  explicit Win32Notifier(HWND window);
  ~Win32Notifier() override;

  [[nodiscard]] bool WindowActive() const override;
  void Notify(const std::string& title, const std::string& text) override;

 private:
  HWND window_;
  bool icon_added_ = false;
};

}  // namespace lobbyfind::win32
