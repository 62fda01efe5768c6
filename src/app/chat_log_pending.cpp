#include "app/chat_log_pending.h"

#include <iterator>
#include <utility>

namespace lobbyfind::app {

bool ChatLogPending::Edited() {
  const bool first = !waiting_;
  waiting_ = true;
  return first;
}

bool ChatLogPending::Append(std::string_view text, Rgb colour) {
  lines_.push_back({std::string(text), colour});
  return Edited();
}

bool ChatLogPending::DeleteFirstLine() {
  if (trimmed_ < shown_) {
    ++trimmed_;
  } else if (!lines_.empty()) {
    lines_.pop_front();  // trimmed before it was ever shown
  } else {
    return false;
  }
  return Edited();
}

void ChatLogPending::Clear() {
  shown_ = 0;
  trimmed_ = 0;
  lines_.clear();
}

ChatLogEdits ChatLogPending::Take() {
  waiting_ = false;
  ChatLogEdits edits;
  if (trimmed_ > 0 && trimmed_ == shown_) {
    edits.clear = true;
  } else {
    edits.trim = trimmed_;
  }
  edits.kept = shown_ - trimmed_;
  shown_ = edits.kept + static_cast<int>(lines_.size());
  trimmed_ = 0;
  edits.lines.assign(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.clear();
  return edits;
}

}  // namespace lobbyfind::app
