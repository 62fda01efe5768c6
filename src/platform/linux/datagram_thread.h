// Sends one datagram to many IPv4 addresses from a thread of its own, a run
// of them per sendmmsg call, and says when each run left. A game list of
// thousands then costs the window's thread nothing while the kernel takes
// each datagram (on loopback it even delivers it inside the call).
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "ports/clock.h"
#include "ports/udp_sender.h"

namespace lobbyfind::platform {

// Hands `messages` to the system with sendmmsg until each was taken or
// refused; a refused datagram is skipped, as a refused single send is, and
// its server stays waiting. Returns how many were taken.
std::size_t SendEachMessage(int fd, std::span<mmsghdr> messages);

class DatagramThread {
 public:
  // Datagrams reported together; in a long job, handed to the system in one
  // call, whose time their stamps are spread over, so a short run keeps
  // them close.
  static constexpr std::size_t kRun = 64;
  // A job of up to this many datagrams goes one per call, each stamped just
  // before its call. The system may hold the thread up for milliseconds in
  // the middle of a call (it runs another thread meanwhile): spread over
  // such a call, the stamps of the datagrams before the hold would be that
  // much early, and their round trips that much long. A call of its own
  // costs a datagram some 0.2 us more, nothing for a list of this size; a
  // longer list goes kRun to a call.
  static constexpr std::size_t kOneByOneUpTo = 4096;

  // Called on the sending thread after each run, with the number of the job
  // it belongs to.
  using Report = std::function<void(std::uint64_t job, const ports::UdpSender::Departure& run)>;

  explicit DatagramThread(Report report);
  // Drops what is not sent yet and waits for the run under way.
  ~DatagramThread();
  DatagramThread(const DatagramThread&) = delete;
  DatagramThread& operator=(const DatagramThread&) = delete;

  // Sends `datagram` from socket `fd` to each address in order, stamping the
  // runs with `clock` (which must outlive the job and be safe to read from
  // another thread). Replaces a job not finished: its rest is dropped.
  // Returns the new job's number.
  std::uint64_t Start(int fd, std::vector<sockaddr_in> to, std::string datagram, const ports::Clock& clock);
  // Adds `more` at the end of job `job`'s addresses; their runs follow, even
  // when every earlier one had left and the thread was waiting. False, with
  // nothing added, once the job was replaced or stopped.
  bool Extend(std::uint64_t job, std::span<const sockaddr_in> more);
  // Drops what is not sent yet.
  void Stop();
  // True while `job` is the latest job and not stopped.
  [[nodiscard]] bool Current(std::uint64_t job) const { return current_.load() == job; }

 private:
  struct Job {
    std::uint64_t number = 0;
    int fd = -1;
    std::vector<sockaddr_in> to;
    std::string datagram;
    const ports::Clock* clock = nullptr;
    std::size_t next = 0;  // the first address not taken for a run yet
  };
  void Run();

  Report report_;
  std::mutex mutex_;
  std::condition_variable wake_;
  // The job being sent; its addresses may still grow (Extend).
  std::optional<Job> job_;
  bool stopping_ = false;
  std::uint64_t numbers_ = 0;
  // The job that may still send; any other number stops its job between runs.
  std::atomic<std::uint64_t> current_{0};
  std::thread thread_;  // last: started once the rest exists
};

}  // namespace lobbyfind::platform
