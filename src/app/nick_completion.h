// Tab in the chat input: completes the nickname begun at the end of the
// input from the players list; Tab again, with nothing typed in between,
// offers the next player that fits.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::app {

class NickCompletion {
 public:
  // The input with its last word completed to a player's name, in the
  // players list's order, letters A to Z compared without case. A name that
  // begins the input is followed by ": " (addressing the player), elsewhere
  // by a blank. Nothing when no player fits (the input stays as it is).
  // The user's own nickname is never offered; a mode sign a server puts in
  // front of a name ("@" for an operator) is not part of it.
  [[nodiscard]] std::optional<std::string> Complete(std::string_view input,
                                                    const std::vector<std::string>& players,
                                                    std::string_view own_nick);

 private:
  // The last completion, which a further Tab continues: the input before
  // the word, the word as typed, the result shown and the next candidate.
  std::string head_;
  std::string word_;
  std::string shown_;
  std::size_t next_ = 0;
};

}  // namespace lobbyfind::app
