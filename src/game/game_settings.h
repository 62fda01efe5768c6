// The names the game's network settings are known by: its registry key, the
// map the game chose, the titles of its windows; and the error of an address
// the game cannot take. The game bridge reads and writes them.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "game/game_files.h"

namespace lobbyfind::game {

inline constexpr std::string_view kNetworkKeyPath = "SOFTWARE\\DMA Design Ltd\\GTA2\\Network";
// The map the game's network lobby chose; only ever read.
inline constexpr std::string_view kMapIndexValue = "map_index";

// The title of the running game's own window: it exists while a match is played.
inline constexpr std::string_view kPlayingWindowTitle = "GTA2";
// Windows ended at start-up, in this order: the network window in Spanish,
// English and German, the launcher, the game itself.
inline constexpr std::array<std::string_view, 5> kGameWindowTitles = {
    "GTA2 en red", "Network GTA2", "Netzwerk GTA2", "GTA2 Manager", kPlayingWindowTitle};

// An address the game's connection block cannot hold.
class AddressTooLongError : public std::invalid_argument {
 public:
  explicit AddressTooLongError(std::string_view address);
};

}  // namespace lobbyfind::game
