// Texts that controls show on their own and that the core reacts to.
#pragma once

#include <string_view>

namespace lobbyfind::app {

// The chat input's initial text; a click into the input removes it.
inline constexpr std::string_view kChatInputPlaceholder = "Type your Chatmessage here";

}  // namespace lobbyfind::app
