// The game's windows on Windows: found by their title with the platform's
// own search (FindWindowA, no class), their process ended with exit code 0.
#pragma once

#include "game/window_control.h"

namespace lobbyfind::platform {

class Win32Windows final : public game::WindowControl {
 public:
  [[nodiscard]] bool IsWindowOpen(std::string_view title) override;
  bool KillWindowProcess(std::string_view title) override;
};

}  // namespace lobbyfind::platform
