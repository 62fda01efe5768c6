// A window control that holds back the window search of the start-up until
// the program's window has been shown. The search walks every window of the
// desktop once per game title (five walks when, as usual, no game runs),
// which on a busy desktop costs more than the window itself; its only effect
// at start-up is ending a game left running, which may as well come a frame
// later. Requests to end a window's process made before `Release` are kept
// and carried out by it, in order; everything after passes straight through.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "game/window_control.h"

namespace lobbyfind::game {

class DeferredWindowControl final : public WindowControl {
 public:
  // `inner` does the searching; it must outlive this object.
  explicit DeferredWindowControl(WindowControl& inner) : inner_(inner) {}

  // Answered at once: a question needs its answer now.
  [[nodiscard]] bool IsWindowOpen(std::string_view title, const ProgramTest& is_game) override;
  // Before `Release`: kept for later, and false (nothing found yet).
  bool KillWindowProcess(std::string_view title, const ProgramTest& is_game) override;

  // Carries out the kept requests in the order they came; from then on every
  // call goes to the inner control. A second call does nothing.
  void Release();
  [[nodiscard]] bool Released() const { return released_; }

 private:
  WindowControl& inner_;
  bool released_ = false;
  std::vector<std::pair<std::string, ProgramTest>> pending_kills_;
};

}  // namespace lobbyfind::game
