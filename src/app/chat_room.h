// What the chat room's files share: its one channel and the letter folding
// IRC nicknames and commands are compared with.
#pragma once

#include <string_view>

namespace lobbyfind::app {

// The channel, without its "#".
inline constexpr std::string_view kChatChannel = "lobbyfind";

// The letters A to Z in lower case; every other byte as it is.
[[nodiscard]] constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace lobbyfind::app
