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
    pending_ = Job{number, fd, std::move(to), std::move(datagram), &clock};
    current_.store(number);
  }
  wake_.notify_one();
  return number;
}

void DatagramThread::Stop() {
  const std::lock_guard lock(mutex_);
  pending_.reset();
  current_.store(0);
}

void DatagramThread::Run() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
      if (stopping_) return;
      job = std::move(*pending_);
      pending_.reset();
    }
    Send(job);
  }
}

void DatagramThread::Send(const Job& job) {
  iovec bytes{const_cast<char*>(job.datagram.data()), job.datagram.size()};
  std::vector<mmsghdr> messages(std::min(kRun, job.to.size()));
  const bool one_by_one = job.to.size() <= kOneByOneUpTo;
  for (std::size_t first = 0; first < job.to.size(); first += kRun) {
    if (!Current(job.number)) return;
    const std::size_t count = std::min(kRun, job.to.size() - first);
    for (std::size_t i = 0; i < count; ++i) {
      msghdr& header = messages[i].msg_hdr;
      header = {};
      header.msg_name = const_cast<sockaddr_in*>(&job.to[first + i]);
      header.msg_namelen = sizeof(sockaddr_in);
      header.msg_iov = &bytes;
      header.msg_iovlen = 1;
    }
    ports::UdpSender::Departure run{first, count, job.clock->MonotonicUs(), 0, {}};
    if (one_by_one) {
      run.left_us.reserve(count);
      for (std::size_t i = 0; i < count; ++i) {
        run.left_us.push_back(job.clock->MonotonicUs());
        (void)SendEachMessage(job.fd, std::span(messages).subspan(i, 1));
      }
    } else {
      (void)SendEachMessage(job.fd, std::span(messages).first(count));
    }
    run.after_us = job.clock->MonotonicUs();
    report_(job.number, run);
  }
}

}  // namespace lobbyfind::platform
