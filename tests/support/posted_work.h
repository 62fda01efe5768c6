// Stands in for the window's event loop where a backend hands work back to
// it from a thread of its own: the work waits here until the test runs it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace lobbyfind::test {

class PostedWork {
 public:
  // What a backend is given to post with; callable from any thread.
  std::function<void(std::function<void()>)> Poster() {
    return [this](std::function<void()> work) {
      const std::lock_guard lock(mutex_);
      work_.push_back(std::move(work));
      arrived_.notify_all();
    };
  }
  // Waits (up to `limit`) for the next piece of work and runs it on this
  // thread; false when none came.
  bool RunNext(std::chrono::seconds limit = std::chrono::seconds(10)) {
    std::function<void()> work;
    {
      std::unique_lock lock(mutex_);
      if (!arrived_.wait_for(lock, limit, [this] { return !work_.empty(); })) return false;
      work = std::move(work_.front());
      work_.pop_front();
    }
    work();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::function<void()>> work_;
};

}  // namespace lobbyfind::test
