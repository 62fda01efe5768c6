// The DirectPlay connection values the game reads to join (or, with the
// empty address, to host) a network game: the address as wide text, the
// TCP/IP service provider and the address block built from both.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lobbyfind::game {

using Guid = std::array<std::uint8_t, 16>;  // the 16-byte stored layout

// DPSPGUID_TCPIP {36E95EE0-8577-11CF-960C-0080C7534E82}
inline constexpr Guid kDpspGuidTcpip = {0xE0, 0x5E, 0xE9, 0x36, 0x77, 0x85, 0xCF, 0x11,
                                        0x96, 0x0C, 0x00, 0x80, 0xC7, 0x53, 0x4E, 0x82};
// DPAID_TotalSize {1318F560-912C-11D0-9DAA-00A0C90A43CB}
inline constexpr Guid kDpaidTotalSize = {0x60, 0xF5, 0x18, 0x13, 0x2C, 0x91, 0xD0, 0x11,
                                         0x9D, 0xAA, 0x00, 0xA0, 0xC9, 0x0A, 0x43, 0xCB};
// DPAID_ServiceProvider {07D916C0-E0AF-11CF-9C4E-00A0C905425E}
inline constexpr Guid kDpaidServiceProvider = {0xC0, 0x16, 0xD9, 0x07, 0xAF, 0xE0, 0xCF, 0x11,
                                               0x9C, 0x4E, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x5E};
// DPAID_INetW {E63232A0-9DBF-11D0-9CC1-00A0C905425E}
inline constexpr Guid kDpaidINetW = {0xA0, 0x32, 0x32, 0xE6, 0xBF, 0x9D, 0xD0, 0x11,
                                     0x9C, 0xC1, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x5E};

// The game's block was built in a 300-byte buffer: 2n + 82 bytes hold at
// most 109 characters.
inline constexpr std::size_t kMaxServerAddressLength = 109;

// The address widened to UTF-16LE by pairing each 8-bit character with a zero
// high byte (no code page), followed by a two-byte terminator: 2n + 2 bytes.
[[nodiscard]] std::vector<std::uint8_t> WideAddress(std::string_view address);

// The three-element DirectPlay address (total size, service provider,
// wide internet address): 2n + 82 bytes.
[[nodiscard]] std::vector<std::uint8_t> ConnectionBlock(std::string_view address);

}  // namespace lobbyfind::game
