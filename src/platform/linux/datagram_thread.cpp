#include "platform/linux/datagram_thread.h"

#include <algorithm>

namespace lobbyfind::platform {

std::size_t SendEachMessage(int fd, std::span<mmsghdr> messages) {
  std::size_t taken = 0;
  for (std::size_t at = 0; at < messages.size();) {
    const int n = sendmmsg(fd, messages.data() + at, static_cast<unsigned>(messages.size() - at), 0);
    if (n > 0) {
      taken += static_cast<std::size_t>(n);
      at += static_cast<std::size_t>(n);
    } else {
      ++at;
    }
  }
  return taken;
}

DatagramThread::DatagramThread(Report report) : report_(std::move(report)), thread_([this] { Run(); }) {}

DatagramThread::~DatagramThread() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    current_.store(0);
  }
  wake_.notify_one();
  thread_.join();
}

std::uint64_t DatagramThread::Start(int fd, std::vector<sockaddr_in> to, std::string datagram,
                                    const ports::Clock& clock) {
  std::uint64_t number = 0;
  {
    const std::lock_guard lock(mutex_);
    number = ++numbers_;
    job_ = Job{number, fd, std::move(to), std::move(datagram), &clock};
    current_.store(number);
  }
  wake_.notify_one();
  return number;
}

bool DatagramThread::Extend(std::uint64_t job, std::span<const sockaddr_in> more) {
  {
    const std::lock_guard lock(mutex_);
    if (!job_ || job_->number != job) return false;
    job_->to.insert(job_->to.end(), more.begin(), more.end());
  }
  wake_.notify_one();
  return true;
}

void DatagramThread::Stop() {
  const std::lock_guard lock(mutex_);
  job_.reset();
  current_.store(0);
}

void DatagramThread::Run() {
  // One run at a time is taken from the job under the lock, so a job may be
  // replaced, stopped or extended between any two runs.
  std::vector<sockaddr_in> to;
  std::vector<mmsghdr> messages;
  std::string datagram;
  std::uint64_t datagram_of = 0;
  to.reserve(kRun);
  messages.reserve(kRun);
  for (;;) {
    std::uint64_t number = 0;
    int fd = -1;
    const ports::Clock* clock = nullptr;
    std::size_t first = 0;
    bool one_by_one = false;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || (job_ && job_->next < job_->to.size()); });
      if (stopping_) return;
      Job& job = *job_;
      number = job.number;
      fd = job.fd;
      clock = job.clock;
      if (datagram_of != number) datagram = job.datagram;
      datagram_of = number;
      first = job.next;
      const std::size_t count = std::min(kRun, job.to.size() - first);
      to.assign(job.to.begin() + static_cast<std::ptrdiff_t>(first),
                job.to.begin() + static_cast<std::ptrdiff_t>(first + count));
      job.next = first + count;
      // Decided on the addresses known so far: a list that grows while it
      // is sent goes one by one only while it is still short.
      one_by_one = job.to.size() <= kOneByOneUpTo;
    }
    iovec bytes{datagram.data(), datagram.size()};
    messages.assign(to.size(), mmsghdr{});
    for (std::size_t i = 0; i < to.size(); ++i) {
      msghdr& header = messages[i].msg_hdr;
      header.msg_name = &to[i];
      header.msg_namelen = sizeof(sockaddr_in);
      header.msg_iov = &bytes;
      header.msg_iovlen = 1;
    }
    ports::UdpSender::Departure run{first, to.size(), clock->MonotonicUs(), 0, {}};
    if (one_by_one) {
      run.left_us.reserve(to.size());
      for (std::size_t i = 0; i < to.size(); ++i) {
        run.left_us.push_back(clock->MonotonicUs());
        (void)SendEachMessage(fd, std::span(messages).subspan(i, 1));
      }
    } else {
      (void)SendEachMessage(fd, messages);
    }
    run.after_us = clock->MonotonicUs();
    report_(number, run);
  }
}

}  // namespace lobbyfind::platform
