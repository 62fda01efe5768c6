#include "chat/irc_line_buffer.h"

namespace lobbyfind::chat {

namespace {

std::string_view WithoutTrailingCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

void IrcLineBuffer::Feed(std::string_view bytes, std::vector<std::string>& lines) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) {
      if (!discarding_) {
        tail_.append(bytes);
        if (tail_.size() > kMaxLineLength) {
          tail_.clear();
          discarding_ = true;
        }
      }
      return;
    }
    const std::string_view piece = bytes.substr(0, end);
    bytes.remove_prefix(end + 1);
    if (discarding_) {
      // The end of the overlong line: what follows is a fresh line.
      discarding_ = false;
      continue;
    }
    if (tail_.empty()) {
      lines.emplace_back(WithoutTrailingCr(piece));
    } else {
      tail_.append(piece);
      lines.emplace_back(WithoutTrailingCr(tail_));
      tail_.clear();
    }
  }
}

void IrcLineBuffer::Reset() {
  tail_.clear();
  discarding_ = false;
}

}  // namespace lobbyfind::chat
