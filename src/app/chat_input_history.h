// Up and Down in the chat input: the lines sent before, newest first, as a
// shell recalls its commands. What was being typed when the user went back
// comes back below the newest line.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace lobbyfind::app {

class ChatInputHistory {
 public:
  static constexpr std::size_t kKeptLines = 50;

  // A line was sent. An empty line, or the same line as the one before, is
  // not kept twice; going back starts again from the newest.
  void Sent(std::string_view line);
  // Up: the line before the one shown; `shown` is the input now (kept as the
  // draft when going back from it). Nothing at the oldest line.
  [[nodiscard]] std::optional<std::string> Older(std::string_view shown);
  // Down: the next newer line, then the draft. Nothing when not going back.
  [[nodiscard]] std::optional<std::string> Newer();

 private:
  std::deque<std::string> lines_;
  // Index into lines_ of the line shown; lines_.size(): the draft.
  std::size_t at_ = 0;
  std::string draft_;
};

}  // namespace lobbyfind::app
