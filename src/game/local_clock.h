// The millisecond clock of the ping stamps: milliseconds since local midnight.
#pragma once

#include <cstdint>

#include "ports/clock.h"

namespace lobbyfind::game {

// 0 to 86399999; drops back to 0 at local midnight. The first form reads the
// machine's clock, the second the given one (tests pass a fixed clock).
[[nodiscard]] std::int32_t MsSinceMidnight();
[[nodiscard]] std::int32_t MsSinceMidnight(const ports::Clock& clock);

}  // namespace lobbyfind::game
