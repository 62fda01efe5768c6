// An EntryStore in Redis, which several service instances share: each
// change is one Lua script (so announcements from two instances cannot
// overtake each other's cap checks), and a change counter tells the other
// instances that their rendered server list is out of date.
//
// Keys, all under "lobbyfind:":
//   entry:IP|PORT  hash of one entry; Redis itself drops it a little after
//                  its time-to-live, should no instance be left to purge it
//   order          sorted set of "SEQUENCE|IP|PORT" by created_ms: the list
//                  order (the sequence breaks ties by first announcement)
//   members        hash IP|PORT -> its member of "order"
//   updated        sorted set of IP|PORT by lastupdate_ms: what to purge
//   ip:IP          set of the ports one address lists
//   seq, changes   counters
#pragma once

#include <cstdint>
#include <string>

#include "entry_store.h"
#include "redis_connection.h"

namespace lobbyfind::directory_service {

// The key of the change counter, which every change increments.
inline constexpr const char* kRedisChangesKey = "lobbyfind:changes";

class RedisEntryStore final : public EntryStore {
 public:
  // `keep_ms`: how long Redis keeps an entry after its last refresh; the
  // service's time-to-live plus a margin for clocks that differ a little.
  RedisEntryStore(RedisAddress address, std::int64_t keep_ms);

  std::optional<ServerEntry> Find(const std::string& ip, int port) override;
  void Put(const ServerEntry& entry) override;
  std::size_t RemoveByIp(const std::string& ip) override;
  std::size_t RemoveUpdatedBefore(std::int64_t ms) override;
  std::size_t CountByIp(const std::string& ip) override;
  std::size_t Count() override;
  std::vector<ServerEntry> UpdatedSince(std::int64_t ms) override;
  AnnounceResult Announce(ServerEntry entry, const AnnounceLimits& limits) override;

  // Checks that Redis answers; throws StoreError otherwise.
  void Ping();
  [[nodiscard]] std::string Name() const { return connection_.Name(); }

 private:
  RedisReply Script(const char* body, std::vector<std::string> args);
  std::vector<std::string> EntryArgs(const ServerEntry& e) const;

  RedisConnection connection_;
  std::int64_t keep_ms_;
};

}  // namespace lobbyfind::directory_service
