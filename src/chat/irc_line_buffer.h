// Cuts the byte stream of an IRC connection into lines. Sans-IO: the owner
// feeds whatever the socket delivered and gets back the complete lines.
//
// A line ends at LF; a CR right before that LF belongs to the line end (so
// both CR LF and LF alone end a line). An unfinished tail is kept and
// completed by the next read. A tail that grows past kMaxLineLength without
// an end is dropped together with the rest of that line, so a hostile peer
// cannot make the buffer grow without bound.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::chat {

class IrcLineBuffer {
 public:
  static constexpr std::size_t kMaxLineLength = 64 * 1024;

  // Appends the complete lines found in `bytes` (and the kept tail) to
  // `lines`, without their line ends.
  void Feed(std::string_view bytes, std::vector<std::string>& lines);

  // Forgets the tail, for a fresh connection.
  void Reset();

  [[nodiscard]] std::size_t PendingBytes() const { return tail_.size(); }

 private:
  std::string tail_;
  // True while skipping the remainder of an overlong line up to its LF.
  bool discarding_ = false;
};

}  // namespace lobbyfind::chat
