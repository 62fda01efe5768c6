// Texts that controls show on their own and that the core reacts to.
#pragma once

#include <string_view>

namespace lobbyfind::app {

// The chat input's initial text; a click into the input removes it.
inline constexpr std::string_view kChatInputPlaceholder = "Type your Chatmessage here";

// The port-mapping check box, which the unreachable-game line names.
inline constexpr std::string_view kUpnpCaption = "Open ports on the router (UPnP)";

}  // namespace lobbyfind::app
