#include "redis_connection.h"

#include <hiredis/hiredis.h>

namespace lobbyfind::directory_service {

namespace {

using Clock = std::chrono::steady_clock;

constexpr timeval kConnectTimeout{1, 0};
constexpr timeval kCommandTimeout{2, 0};
constexpr auto kRetryInterval = std::chrono::milliseconds(250);

}  // namespace

void RedisReplyDeleter::operator()(redisReply* reply) const { freeReplyObject(reply); }

std::string ReplyText(const redisReply& reply) {
  if (reply.type == REDIS_REPLY_INTEGER) return std::to_string(reply.integer);
  if (reply.str == nullptr) return {};
  return std::string(reply.str, reply.len);
}

bool ReplyIsNil(const redisReply& reply) { return reply.type == REDIS_REPLY_NIL; }

RedisConnection::RedisConnection(RedisAddress address) : address_(std::move(address)) {}

RedisConnection::~RedisConnection() { Drop(); }

std::string RedisConnection::Name() const {
  const bool v6 = address_.host.find(':') != std::string::npos;
  return "redis://" + (v6 ? "[" + address_.host + "]" : address_.host) + ":" + std::to_string(address_.port) +
         "/" + std::to_string(address_.db);
}

void RedisConnection::Drop() {
  if (context_ != nullptr) redisFree(context_);
  context_ = nullptr;
}

void RedisConnection::Connect() {
  if (Clock::now() < next_attempt_) throw StoreError(Name() + " is unreachable: " + last_error_);
  next_attempt_ = Clock::now() + kRetryInterval;
  context_ = redisConnectWithTimeout(address_.host.c_str(), address_.port, kConnectTimeout);
  if (context_ == nullptr || context_->err != 0) {
    last_error_ = context_ != nullptr ? context_->errstr : "out of memory";
    Drop();
    throw StoreError(Name() + " is unreachable: " + last_error_);
  }
  redisSetTimeout(context_, kCommandTimeout);
  if (address_.db != 0) {
    try {
      Send({"SELECT", std::to_string(address_.db)});
    } catch (const StoreError&) {
      Drop();  // never go on in database 0
      throw;
    }
  }
}

RedisReply RedisConnection::Send(const std::vector<std::string>& args) {
  std::vector<const char*> argv;
  std::vector<std::size_t> lengths;
  for (const auto& a : args) {
    argv.push_back(a.data());
    lengths.push_back(a.size());
  }
  RedisReply reply(static_cast<redisReply*>(
      redisCommandArgv(context_, static_cast<int>(argv.size()), argv.data(), lengths.data())));
  if (!reply) {
    last_error_ = context_->errstr[0] != '\0' ? context_->errstr : "connection lost";
    Drop();
    throw StoreError(Name() + ": " + last_error_);
  }
  if (reply->type == REDIS_REPLY_ERROR) throw StoreError(Name() + ": " + ReplyText(*reply));
  return reply;
}

RedisReply RedisConnection::Command(const std::vector<std::string>& args) {
  const bool reused = context_ != nullptr;
  if (!reused) Connect();
  try {
    return Send(args);
  } catch (const StoreError&) {
    // A connection that served before may have been cut by a Redis restart
    // that is already over: one new connection at once before giving up.
    // Every command the directory sends may safely be sent twice.
    if (!reused || context_ != nullptr) throw;
  }
  next_attempt_ = {};
  Connect();
  return Send(args);
}

}  // namespace lobbyfind::directory_service
