// Keys of "lobbyfind.ini" and the settings file's own name.
#pragma once

#include <string_view>

namespace lobbyfind::app {

inline constexpr std::string_view kConfigFileName = "lobbyfind.ini";
inline constexpr std::string_view kKeyRefreshInterval = "serverlist-refreshs";
inline constexpr std::string_view kKeyShowTimestamp = "showtimestamp";
inline constexpr std::string_view kKeyKeepSelection = "keepselectionafterwhisper";
inline constexpr std::string_view kKeyGtaDir = "gtadir";
// Linux edition: the Wine prefix the game is installed in.
inline constexpr std::string_view kKeyWinePrefix = "wineprefix";

}  // namespace lobbyfind::app

namespace lobbyfind::app {

// The chat server. Host and port may be set in "lobbyfind.ini"; without them
// the program uses these.
inline constexpr std::string_view kKeyIrcHost = "irc-host";
inline constexpr std::string_view kKeyIrcPort = "irc-port";
inline constexpr std::string_view kDefaultIrcHost = "irc.euirc.net";
inline constexpr int kDefaultIrcPort = 6667;

}  // namespace lobbyfind::app
