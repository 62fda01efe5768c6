// Small types every part of the main window shares: the online state and the
// kinds of chat-log lines with their colours.
#pragma once

#include <cstdint>

#include "app/view.h"

namespace lobbyfind::app {

// Where the user stands with the chat and the game. Only osOnline makes the
// periodic timer refresh the game list and ping.
enum class OnlineState : std::uint8_t {
  osOffline = 0,
  osConnecting = 1,
  osOnline = 2,
  osPlaying = 3,
  osIdentify = 4,
};

// Kinds of chat-log lines; each is written in its own colour.
enum class LineKind : std::uint8_t {
  lkNotice = 0,   // join, leave, kick, quit, nickname change
  lkChat = 1,     // channel messages
  lkWhisper = 2,  // private messages
  lkSystem = 3,   // the program's own messages
};

inline constexpr Rgb kNoticeColour{192, 192, 192};
inline constexpr Rgb kChatColour{0, 0, 0};
inline constexpr Rgb kWhisperColour{128, 0, 128};
inline constexpr Rgb kSystemColour{224, 115, 5};
// A channel line that names the user's nickname stands out in this colour.
inline constexpr Rgb kHighlightColour{200, 0, 0};

// The colour of a kind; false for a value outside the four kinds.
[[nodiscard]] constexpr bool LineColour(LineKind kind, Rgb& colour) {
  switch (kind) {
    case LineKind::lkNotice: colour = kNoticeColour; return true;
    case LineKind::lkChat: colour = kChatColour; return true;
    case LineKind::lkWhisper: colour = kWhisperColour; return true;
    case LineKind::lkSystem: colour = kSystemColour; return true;
  }
  return false;
}

}  // namespace lobbyfind::app
