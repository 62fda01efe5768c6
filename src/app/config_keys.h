// Keys of "lobbyfind.ini" and the settings file's own name.
#pragma once

#include <string_view>

namespace lobbyfind::app {

inline constexpr std::string_view kConfigFileName = "lobbyfind.ini";
inline constexpr std::string_view kKeyRefreshInterval = "serverlist-refreshs";
inline constexpr std::string_view kKeyShowTimestamp = "showtimestamp";
inline constexpr std::string_view kKeyKeepSelection = "keepselectionafterwhisper";
inline constexpr std::string_view kKeyGtaDir = "gtadir";

}  // namespace lobbyfind::app
