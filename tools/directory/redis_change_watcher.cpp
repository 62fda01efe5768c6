#include "redis_change_watcher.h"

#include <chrono>
#include <optional>

#include "redis_connection.h"
#include "redis_entry_store.h"

namespace lobbyfind::directory_service {

namespace {

// A change made through another instance shows here within this time (plus
// one Redis round trip): well inside a second, for one GET per instance.
constexpr auto kPollInterval = std::chrono::milliseconds(200);

}  // namespace

RedisChangeWatcher::RedisChangeWatcher(RedisAddress address, std::function<void()> changed,
                                       std::function<void(const std::string&)> log)
    : address_(std::move(address)),
      changed_(std::move(changed)),
      log_(std::move(log)),
      thread_([this] { Run(); }) {}

RedisChangeWatcher::~RedisChangeWatcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RedisChangeWatcher::Run() {
  RedisConnection redis(address_);
  std::optional<std::string> last_seen;
  bool reachable = true;
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    try {
      const auto reply = redis.Command({"GET", kRedisChangesKey});
      const std::string counter = ReplyIsNil(*reply) ? std::string{} : ReplyText(*reply);
      if (!reachable) log_(redis.Name() + " is reachable again");
      if (!reachable || counter != last_seen) changed_();
      reachable = true;
      last_seen = counter;
    } catch (const StoreError& e) {
      if (reachable) log_(std::string(e.what()) + "; answering 503 until it is back");
      reachable = false;
      changed_();
    }
    lock.lock();
    wake_.wait_for(lock, kPollInterval, [this] { return stopping_; });
  }
}

}  // namespace lobbyfind::directory_service
