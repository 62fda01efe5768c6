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

// The web directory service: host name or address, optionally ":" and a
// port. The default is where the directory service listens when started
// without options on the same machine.
inline constexpr std::string_view kKeyDirectoryHost = "directory-host";
inline constexpr std::string_view kDefaultDirectoryHost = "127.0.0.1:8080";

// Linux: the program that runs the game's Windows executable, with the
// executable and its parameters as arguments. Empty runs the executable
// itself.
inline constexpr std::string_view kKeyLauncher = "launcher";
inline constexpr std::string_view kDefaultLauncher = "wine";

// "0": the lobby does not ask the home router to forward the game's ports.
// Anything else, or no entry: it does.
inline constexpr std::string_view kKeyUpnp = "upnp";

}  // namespace lobbyfind::app

namespace lobbyfind::app {

// Notifications while the window is in the background, one switch each:
// "0" off, anything else or no entry on.
inline constexpr std::string_view kKeyNotifyNewGames = "notify-newgames";
inline constexpr std::string_view kKeyNotifyWhispers = "notify-whispers";
inline constexpr std::string_view kKeyNotifyMyNick = "notify-mynick";

}  // namespace lobbyfind::app
