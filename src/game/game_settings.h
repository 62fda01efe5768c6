// The game's network settings under its registry key: typed getters and
// setters for the options page, the connection address written before the
// game is launched, the game's directory, and ending game processes that are
// still running when the program starts. Every access reads or writes the
// machine registry anew; nothing is cached.
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

[[nodiscard]] bool GetPolice();
void SetPolice(bool enabled);
[[nodiscard]] bool GetShowPlayerNames();
void SetShowPlayerNames(bool show);

// The limits are 16-bit in the game: a setter stores its argument modulo 65536.
[[nodiscard]] std::int32_t GetFragLimit();
void SetFragLimit(std::int64_t limit);
[[nodiscard]] std::int32_t GetScoreLimit();
void SetScoreLimit(std::int64_t limit);
[[nodiscard]] std::int32_t GetGameTimeLimit();
void SetGameTimeLimit(std::int64_t limit);

// 0, 1 or 2: the position of the game speed slider.
[[nodiscard]] int GetGameSpeed();
void SetGameSpeed(int speed);
// 0, 1 or 2: the index in the game mode list (frag, score, tag game).
[[nodiscard]] int GetGameType();
void SetGameType(int type);

[[nodiscard]] std::string GetPlayerName();
void SetPlayerName(std::string_view name);

// An address the game's connection block cannot hold.
class AddressTooLongError : public std::invalid_argument {
 public:
  explicit AddressTooLongError(std::string_view address);
};

// Writes the six connection values for joining `address` (a dotted address or
// a host name), or for hosting with the empty address. An address longer than
// kMaxServerAddressLength is refused before anything is written; otherwise
// the first failing write stops it, the values written before it stay.
void SetServerAddress(std::string_view address);

// Ends the process of the first window with each of kGameWindowTitles.
void CloseGameWindows();

// The game's directory without a trailing backslash, set by the options page.
[[nodiscard]] const std::string& GtaDir();
void SetGtaDir(std::string_view directory);

}  // namespace lobbyfind::game
