// Finding the game's windows by title and ending the process that owns one.
// The platform supplies the backend (Win32 window search, X11 on Linux); the
// program installs it once at start-up, and until then no window is found.
#pragma once

#include <string_view>

namespace lobbyfind::game {

class WindowControl {
 public:
  virtual ~WindowControl() = default;
  // True while a top-level window with exactly this title exists.
  [[nodiscard]] virtual bool IsWindowOpen(std::string_view title) = 0;
  // Ends the process owning the first top-level window with this title. True
  // if such a window was found, whether or not ending its process worked.
  virtual bool KillWindowProcess(std::string_view title) = 0;
};

// For a machine without a window system: no window is ever found.
class NoWindows final : public WindowControl {
 public:
  [[nodiscard]] bool IsWindowOpen(std::string_view /*title*/) override { return false; }
  bool KillWindowProcess(std::string_view /*title*/) override { return false; }
};

// The installed window control; NoWindows while none is installed.
void SetWindowControl(WindowControl* control);
[[nodiscard]] WindowControl& CurrentWindowControl();

bool KillWindowProcess(std::string_view title);
[[nodiscard]] bool IsWindowOpen(std::string_view title);

}  // namespace lobbyfind::game
