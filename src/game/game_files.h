// Files of the game's installation that the program looks for.
#pragma once

#include <string_view>

namespace lobbyfind::game {

// The game's program in its directory: its presence marks a usable game
// directory, and it is what a join or a hosted game launches.
inline constexpr std::string_view kGameExecutable = "gta2.exe";
// The parameter that starts the game in its network mode, leading blank included.
inline constexpr std::string_view kNetworkParameter = " -network";

}  // namespace lobbyfind::game
