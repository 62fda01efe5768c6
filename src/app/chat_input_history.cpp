#include "app/chat_input_history.h"

namespace lobbyfind::app {

void ChatInputHistory::Sent(std::string_view line) {
  if (!line.empty() && (lines_.empty() || lines_.back() != line)) {
    lines_.emplace_back(line);
    if (lines_.size() > kKeptLines) lines_.pop_front();
  }
  at_ = lines_.size();
  draft_.clear();
}

std::optional<std::string> ChatInputHistory::Older(std::string_view shown) {
  if (at_ > lines_.size()) at_ = lines_.size();
  if (at_ == 0) return std::nullopt;
  if (at_ == lines_.size()) draft_ = std::string(shown);
  return lines_[--at_];
}

std::optional<std::string> ChatInputHistory::Newer() {
  if (at_ >= lines_.size()) return std::nullopt;
  ++at_;
  return at_ == lines_.size() ? draft_ : lines_[at_];
}

}  // namespace lobbyfind::app
