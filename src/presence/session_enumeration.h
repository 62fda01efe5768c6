// The DirectPlay session-enumeration exchange this program speaks with the
// game: the 52-byte request sent over UDP to every listed server, and the
// reply a running game sends back over TCP. Every byte of both layouts is
// defined here and nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lobbyfind::presence {

// Where requests go: DirectPlay's enumeration port.
inline constexpr std::uint16_t kEnumerationPort = 47624;
// Where the game delivers its answer (TCP, on the asking machine); the
// request names it in its bytes 6 and 7.
inline constexpr std::uint16_t kAnswerPort = 2300;
// The address the program pings to notice a game hosted on this machine; an
// answer from it is the own game, not a listed server.
inline constexpr std::string_view kOwnMachine = "127.0.0.1";

inline constexpr std::size_t kSessionRequestSize = 52;

// The request, byte for byte: header with the answer address (port 2300,
// no IPv4 address, so the answer goes to the sender of the datagram), the
// game's application GUID, no password, enumeration flags 0x11. A sender
// listening for answers elsewhere names its own port.
[[nodiscard]] std::string SessionRequest(std::uint16_t answer_port = kAnswerPort);

// True when `datagram` is a session-enumeration request for the game: the
// signature "play", command 2 and the game's application GUID. Used by the
// stand-in game host.
[[nodiscard]] bool IsGameSessionRequest(std::string_view datagram);

// The game port an answer announces: its bytes 6 and 7, high byte first.
// Bytes the answer does not supply count as zero.
[[nodiscard]] std::uint16_t AnswerGamePort(std::string_view answer);

// A session-enumeration reply as a hosting game sends it: the header naming
// `game_port`, the session description (with the game's application GUID)
// and the session name in UTF-16LE (ASCII names only are widened).
[[nodiscard]] std::string SessionReply(std::uint16_t game_port, std::string_view session_name,
                                       std::uint32_t max_players, std::uint32_t current_players);

}  // namespace lobbyfind::presence
