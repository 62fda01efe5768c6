#include "game/deferred_window_control.h"

namespace lobbyfind::game {

bool DeferredWindowControl::IsWindowOpen(std::string_view title, const ProgramTest& is_game) {
  return inner_.IsWindowOpen(title, is_game);
}

bool DeferredWindowControl::KillWindowProcess(std::string_view title, const ProgramTest& is_game) {
  if (released_) return inner_.KillWindowProcess(title, is_game);
  pending_kills_.emplace_back(std::string(title), is_game);
  return false;
}

void DeferredWindowControl::Release() {
  if (released_) return;
  released_ = true;
  // Moved out first: a request made while these run goes straight through.
  const auto pending = std::move(pending_kills_);
  pending_kills_.clear();
  for (const auto& [title, is_game] : pending) inner_.KillWindowProcess(title, is_game);
}

}  // namespace lobbyfind::game
