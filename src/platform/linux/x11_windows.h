// The game's windows on Linux: it runs under Wine, and each of its windows is
// an X11 top-level window whose owner is a Linux process of its own. Titles
// are compared whole, ignoring case; the owner is ended with SIGTERM.
// Without a reachable X display no window is ever found.
#pragma once

#include <string>
#include <string_view>

#include "game/window_control.h"

namespace lobbyfind::platform {

class X11Windows final : public game::WindowControl {
 public:
  // The display to search; empty means $DISPLAY. Each call connects anew, so
  // a display that comes or goes later is noticed.
  explicit X11Windows(std::string display = "");

  [[nodiscard]] bool IsWindowOpen(std::string_view title) override;
  bool KillWindowProcess(std::string_view title) override;

 private:
  std::string display_;
};

}  // namespace lobbyfind::platform
