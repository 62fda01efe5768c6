// One connection to a Redis server that mends itself: a command that finds
// the connection broken tries once more on a new one, and otherwise later
// commands connect again (at most every quarter of a second, so that a Redis
// that is down costs a request a refused connection at most, not a wait).
// Failures throw StoreError.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "entry_store.h"
#include "server_options.h"

struct redisContext;
struct redisReply;

namespace lobbyfind::directory_service {

struct RedisReplyDeleter {
  void operator()(redisReply* reply) const;
};
using RedisReply = std::unique_ptr<redisReply, RedisReplyDeleter>;

class RedisConnection {
 public:
  explicit RedisConnection(RedisAddress address);
  ~RedisConnection();
  RedisConnection(const RedisConnection&) = delete;
  RedisConnection& operator=(const RedisConnection&) = delete;

  // Sends one command; an error reply throws StoreError too, with Redis's text.
  RedisReply Command(const std::vector<std::string>& args);
  [[nodiscard]] std::string Name() const;

 private:
  void Connect();
  void Drop();
  RedisReply Send(const std::vector<std::string>& args);

  RedisAddress address_;
  redisContext* context_ = nullptr;
  std::chrono::steady_clock::time_point next_attempt_{};
  std::string last_error_;
};

// The reply's text (string, status or error), or its integer written out.
[[nodiscard]] std::string ReplyText(const redisReply& reply);
[[nodiscard]] bool ReplyIsNil(const redisReply& reply);

}  // namespace lobbyfind::directory_service
