// Where the directory keeps its entries. The service's rules (time-to-live,
// caps, order) sit above this interface; a store only keeps and finds rows,
// keyed by (ip, port). Calls come from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server_entry.h"

namespace lobbyfind::directory_service {

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
};

}  // namespace lobbyfind::directory_service
