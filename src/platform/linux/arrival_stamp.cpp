#include "platform/linux/arrival_stamp.h"

#ifdef __linux__

#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace lobbyfind::platform {
namespace {

constexpr int kConversionTries = 4;

std::int64_t Us(const timespec& t) { return std::int64_t{t.tv_sec} * 1000000 + t.tv_nsec / 1000; }

}  // namespace

bool AskForArrivalStamps(int fd) {
  const int on = 1;
  return setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) == 0;
}

StampedRead ReadStamped(int fd, char* buffer, std::size_t size, int flags, sockaddr_in* from) {
  iovec data{buffer, size};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))] = {};
  msghdr message{};
  message.msg_name = from;
  message.msg_namelen = from != nullptr ? sizeof *from : 0;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  StampedRead read;
  read.bytes = recvmsg(fd, &message, flags | MSG_DONTWAIT);
  if (read.bytes <= 0) return read;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
    timespec stamp{};
    std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
    read.arrival_us = SteadyUsOfWallStamp(stamp);
  }
  return read;
}

std::int64_t SteadyUsOfWallStamp(const timespec& stamp) {
  // The wall clock read between two reads of the steady clock: their middle
  // is the steady time of that wall time, to within half their distance.
  // Should the scheduler come between the reads, they are far apart; of a
  // few tries, the closest pair counts.
  std::int64_t best_width = -1;
  std::int64_t steady_now = 0;
  std::int64_t wall_now = 0;
  for (int attempt = 0; attempt < kConversionTries && best_width != 0; ++attempt) {
    timespec before{};
    timespec wall{};
    timespec after{};
    clock_gettime(CLOCK_MONOTONIC, &before);
    clock_gettime(CLOCK_REALTIME, &wall);
    clock_gettime(CLOCK_MONOTONIC, &after);
    const std::int64_t width = Us(after) - Us(before);
    if (best_width < 0 || width < best_width) {
      best_width = width;
      steady_now = (Us(before) + Us(after)) / 2;
      wall_now = Us(wall);
    }
  }
  return steady_now - std::max<std::int64_t>(0, wall_now - Us(stamp));
}

}  // namespace lobbyfind::platform

#endif
