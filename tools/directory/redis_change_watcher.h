// Tells an instance that the shared server list changed elsewhere: a thread
// of its own reads the Redis change counter a few times a second, and calls
// `changed` when it moved, when Redis cannot be reached (so that the cached
// list is not served on while the store is gone) and when Redis is back.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "server_options.h"

namespace lobbyfind::directory_service {

class RedisChangeWatcher {
 public:
  RedisChangeWatcher(RedisAddress address, std::function<void()> changed,
                     std::function<void(const std::string&)> log);
  ~RedisChangeWatcher();
  RedisChangeWatcher(const RedisChangeWatcher&) = delete;
  RedisChangeWatcher& operator=(const RedisChangeWatcher&) = delete;

 private:
  void Run();

  RedisAddress address_;
  std::function<void()> changed_;
  std::function<void(const std::string&)> log_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace lobbyfind::directory_service
