#include "presence/departure_times.h"

#include <algorithm>

namespace lobbyfind::presence {

void SpreadOverCall(std::span<std::int64_t> stamps, std::int64_t before_us, std::int64_t after_us) {
  const auto n = static_cast<std::int64_t>(stamps.size());
  // A clock read twice never goes back; should it, nothing is spread.
  const std::int64_t took = std::max<std::int64_t>(0, after_us - before_us);
  for (std::int64_t k = 0; k < n; ++k) stamps[static_cast<std::size_t>(k)] = before_us + took * (k + 1) / n;
}

}  // namespace lobbyfind::presence
