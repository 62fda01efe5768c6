// The game's windows on Windows: found by their title with the platform's
// own search (FindWindowExA over the top-level windows, no class); a window
// counts only when its process's image lies where the game's programs do.
// The process is ended with exit code 0.
#pragma once

#include "game/window_control.h"

namespace lobbyfind::platform {

class Win32Windows final : public game::WindowControl {
 public:
  [[nodiscard]] bool IsWindowOpen(std::string_view title, const game::ProgramTest& is_game) override;
  bool KillWindowProcess(std::string_view title, const game::ProgramTest& is_game) override;
};

}  // namespace lobbyfind::platform
