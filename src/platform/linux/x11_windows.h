// The game's windows on Linux: it runs under Wine, and each of its windows is
// an X11 top-level window whose owner is a Linux process of its own. Titles
// are compared whole, ignoring case. A window counts only when its owner runs
// one of the game's programs: its executable, or for a Wine process the
// Windows program named in its command line. The owner is ended with SIGTERM.
// Without a reachable X display no window is ever found.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "game/window_control.h"

namespace lobbyfind::platform {

class X11Windows final : public game::WindowControl {
 public:
  // The display to search; empty means $DISPLAY. One connection serves
  // every call while it works (the start-up looks for several titles in a
  // row); a broken one is dropped and the next call connects anew, so a
  // display that comes or goes later is noticed.
  explicit X11Windows(std::string display = "");
  ~X11Windows() override;

  [[nodiscard]] bool IsWindowOpen(std::string_view title, const game::ProgramTest& is_game) override;
  bool KillWindowProcess(std::string_view title, const game::ProgramTest& is_game) override;

 private:
  // The owner of the first window with this title whose program is the
  // game's; `found` tells whether there was one.
  std::optional<pid_t> FindGameWindowOwner(std::string_view title, const game::ProgramTest& is_game, bool& found);

  // Connects when there is no working connection; false without a display.
  bool EnsureConnected();

  struct Session;
  std::string display_;
  std::unique_ptr<Session> session_;
};

}  // namespace lobbyfind::platform
