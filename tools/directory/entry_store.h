// Where the directory keeps its entries. The service's rules (time-to-live,
// caps, order) sit above this interface; a store only keeps and finds rows,
// keyed by (ip, port). Calls come from one thread at a time. A store that
// several service instances share (Redis) may change between two calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "server_entry.h"

namespace lobbyfind::directory_service {

// The store cannot be read or written (a broken database file, an
// unreachable Redis); the request in hand cannot be served.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct AnnounceLimits {
  std::size_t max_per_ip = 4;
  std::size_t max_entries = 10000;
  std::int64_t expired_before_ms = 0;  // entries last refreshed before this are dropped first
};

enum class AnnounceOutcome { kStored, kAddressFull, kDirectoryFull };

struct AnnounceResult {
  AnnounceOutcome outcome = AnnounceOutcome::kStored;
  std::optional<ServerEntry> previous;  // the entry with the same (ip, port) before, if any
  std::size_t expired = 0;              // entries dropped for their age
};

class EntryStore {
 public:
  virtual ~EntryStore() = default;

  [[nodiscard]] virtual std::optional<ServerEntry> Find(const std::string& ip, int port) = 0;
  // Inserts the entry, or replaces the one with the same (ip, port).
  virtual void Put(const ServerEntry& entry) = 0;
  // Returns how many entries were removed.
  virtual std::size_t RemoveByIp(const std::string& ip) = 0;
  virtual std::size_t RemoveUpdatedBefore(std::int64_t ms) = 0;
  [[nodiscard]] virtual std::size_t CountByIp(const std::string& ip) = 0;
  [[nodiscard]] virtual std::size_t Count() = 0;
  // Entries refreshed at or after `ms`, first announced first.
  [[nodiscard]] virtual std::vector<ServerEntry> UpdatedSince(std::int64_t ms) = 0;

  // Drops expired entries, then stores `entry` unless it is new and its
  // address or the whole store is at its limit. A refresh keeps the
  // entry's created_ms (its place in the list). A store shared between
  // processes does all of this as one step, so that the caps hold however
  // many instances take announcements; the default serves stores that only
  // one process uses.
  virtual AnnounceResult Announce(ServerEntry entry, const AnnounceLimits& limits);
};

}  // namespace lobbyfind::directory_service
