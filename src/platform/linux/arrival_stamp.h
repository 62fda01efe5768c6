// The system's own record of when bytes reached a socket (Linux): asked for
// once per socket, handed over with every read. An answer is timed by it, so
// the event loop's other work between the arrival and the read does not
// count in a round trip.
#pragma once

#ifdef __linux__

#include <netinet/in.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>

namespace lobbyfind::platform {

// Asks the system to stamp what arrives on `fd`; sockets accepted from a
// listening `fd` take the option along. False when the system refuses.
bool AskForArrivalStamps(int fd);

struct StampedRead {
  // What recvmsg returned: the byte count, 0 at the peer's end, -1 on error
  // (errno set).
  ssize_t bytes = -1;
  // When the system received those bytes, on the steady clock in
  // microseconds (the clock of SystemClock::MonotonicUs).
  std::optional<std::int64_t> arrival_us;
};

// Reads up to `size` bytes from `fd` with their arrival stamp, without
// blocking. `flags` go to recvmsg (MSG_PEEK leaves the bytes in place);
// `from`, when given, gets a datagram's sender.
StampedRead ReadStamped(int fd, char* buffer, std::size_t size, int flags = 0, sockaddr_in* from = nullptr);

// A stamp of the system's wall clock, as the system gives it, on the steady
// clock in microseconds: its age is taken from both clocks read together,
// so the conversion costs no more than the two reads apart. A stamp from
// the future (the wall clock was set back meanwhile) counts as now.
std::int64_t SteadyUsOfWallStamp(const timespec& stamp);

}  // namespace lobbyfind::platform

#endif
