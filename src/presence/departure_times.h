// When each request of a batch left. Requests handed to the system in one
// call leave one after another while the call runs; stamping them all with
// the time before the call would add the batch's own length to the round
// trips of its later requests.
#pragma once

#include <cstdint>
#include <span>

namespace lobbyfind::presence {

// Spreads the stamps of the requests sent by one call, in their order, over
// the call's time: the k-th of n left when k + 1 of n were through, the last
// at `after_us`. A call that took no time leaves every stamp at `before_us`.
void SpreadOverCall(std::span<std::int64_t> stamps, std::int64_t before_us, std::int64_t after_us);

}  // namespace lobbyfind::presence
