// The program version number the directory service knows this lobby by: the
// version check sends it, and a hosted game is announced with it.
#pragma once

#include <cstdint>

namespace lobbyfind::app {

inline constexpr std::int32_t kProgramVersion = 4;

}  // namespace lobbyfind::app
