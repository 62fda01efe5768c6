// The values the Wine registry interop test passes between our system.reg
// reader and writer on the Linux side and the real registry API of a Windows
// program under Wine. Bytes are as the 8-bit registry calls see them: strings
// in code page 1252 with their terminator.
#pragma once

#include <cstdint>
#include <string_view>

#include "game/game_settings.h"
#include "game/registry_port.h"

namespace lobbyfind::interop {

struct InteropValue {
  std::string_view name;
  std::uint32_t type;
  std::string_view bytes;
  // Whether Wine's "reg" tool can write it (it cannot store a string without
  // its terminator).
  bool reg_tool_can_write = true;
};

using namespace std::string_view_literals;

// The game's key: a 64-bit program reaches the 32-bit game's values with the
// 32-bit view, which a 64-bit prefix keeps below Software\Wow6432Node.
inline constexpr std::string_view kKeyPath = game::kNetworkKeyPath;

inline constexpr std::string_view kAccentName = "accent";
// The accented value in UTF-16, as the registry keeps it: the wide calls must
// see these characters whatever the 8-bit code page is.
inline constexpr std::u16string_view kAccentWide = u"J\u00F6rg \u20AC \"q\" \\ \u00E9";

inline constexpr InteropValue kInteropValues[] = {
    {"text", game::reg_type::kSz, "GTA2 lobby\0"sv},
    {"empty", game::reg_type::kSz, "\0"sv},
    {"bare", game::reg_type::kSz, ""sv, false},
    {"number", game::reg_type::kDword, "\x0c\x30\x00\x00"sv},
    {"blob", game::reg_type::kBinary, "\x00\x01\x7f\x80\xff"sv},
    {kAccentName, game::reg_type::kSz, "J\xF6rg \x80 \"q\" \\ \xE9\0"sv},
    // Long enough for Wine to wrap the hex lines, like the DirectPlay address block.
    {"address", game::reg_type::kBinary,
     "\x60\x1d\xfa\x5e\x8f\xd1\xe2\x11\x9a\x00\x00\x00\x00\x00\x00\x00\x14\x00\x00\x00"
     "\x31\x00\x30\x00\x2e\x00\x30\x00\x2e\x00\x30\x00\x2e\x00\x31\x00\x00\x00\xe0\x5e"
     "\x6e\x49\x2b\x1a\x7c\x41\x86\x00\x00\x00\x00\x00\x00\x00\x04\x00\x00\x00\x02\x00"
     "\x00\x00\xff\xfe\xfd\xfc\x00\x00\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a"
     "\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14"sv},
};

}  // namespace lobbyfind::interop
