// An EntryStore that lives in memory only: for embedding the service where
// nothing needs to survive a restart, and for exercising the service's rules.
#pragma once

#include <cstdint>
#include <vector>

#include "entry_store.h"

namespace lobbyfind::directory_service {

class MemoryEntryStore final : public EntryStore {
 public:
  std::optional<ServerEntry> Find(const std::string& ip, int port) override;
  void Put(const ServerEntry& entry) override;
  std::size_t RemoveByIp(const std::string& ip) override;
  std::size_t RemoveUpdatedBefore(std::int64_t ms) override;
  std::size_t CountByIp(const std::string& ip) override;
  std::size_t Count() override;
  std::vector<ServerEntry> UpdatedSince(std::int64_t ms) override;

 private:
  // Kept in insertion order, which with Put's in-place replace is the order
  // of first announcement for entries with equal created_ms.
  std::vector<ServerEntry> entries_;
};

}  // namespace lobbyfind::directory_service
