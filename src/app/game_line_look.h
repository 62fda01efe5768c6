// What a game list line tells at a glance: its round-trip time read back from
// the line, the band that time falls in, and the colour of that band.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "app/view.h"

namespace lobbyfind::app {

enum class PingBand {
  kFast,     // up to kFastUpToMs
  kMedium,   // up to kMediumUpToMs
  kSlow,     // above
  kUnknown,  // the server answered, but its time showed as "???"
  kWaiting,  // "[*]": no answer to the last request yet
};

inline constexpr std::int64_t kFastUpToMs = 80;
inline constexpr std::int64_t kMediumUpToMs = 150;

inline constexpr Rgb kFastColour{0, 128, 0};
inline constexpr Rgb kMediumColour{200, 120, 0};
inline constexpr Rgb kSlowColour{192, 0, 0};
inline constexpr Rgb kUnknownColour{128, 128, 128};
inline constexpr Rgb kWaitingColour{0, 64, 160};

// The time a line shows ("[87ms] ..." gives 87); nothing for "[???ms]",
// "[*]" and anything else.
[[nodiscard]] std::optional<std::int64_t> ShownPingMs(std::string_view line);
[[nodiscard]] PingBand BandOfLine(std::string_view line);
[[nodiscard]] Rgb BandColour(PingBand band);
// The look of a line: its band's colour, and bold for a favourite.
[[nodiscard]] ItemStyle GameLineStyle(std::string_view line, bool favourite);

}  // namespace lobbyfind::app
