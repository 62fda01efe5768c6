// One thread of its own that runs jobs one after another, in the order they
// were queued: the slow work of a backend (waiting for Wine's tools) kept off
// the window's thread. Jobs queued before destruction still run; the
// destructor waits for them.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lobbyfind::platform {

class JobQueue {
 public:
  JobQueue();
  ~JobQueue();
  JobQueue(const JobQueue&) = delete;
  JobQueue& operator=(const JobQueue&) = delete;

  void Queue(std::function<void()> job);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;  // last: started once the rest exists
};

}  // namespace lobbyfind::platform
