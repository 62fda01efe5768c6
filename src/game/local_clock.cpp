#include "game/local_clock.h"

namespace lobbyfind::game {

std::int32_t MsSinceMidnight() { return MsSinceMidnight(ports::SystemClock{}); }

std::int32_t MsSinceMidnight(const ports::Clock& clock) { return clock.MsSinceMidnight(); }

}  // namespace lobbyfind::game
