#include "memory_entry_store.h"

#include <algorithm>

namespace lobbyfind::directory_service {

std::optional<ServerEntry> MemoryEntryStore::Find(const std::string& ip, int port) {
  for (const auto& e : entries_) {
    if (e.ip == ip && e.port == port) return e;
  }
  return std::nullopt;
}

void MemoryEntryStore::Put(const ServerEntry& entry) {
  for (auto& e : entries_) {
    if (e.ip == entry.ip && e.port == entry.port) {
      e = entry;
      return;
    }
  }
  entries_.push_back(entry);
}

std::size_t MemoryEntryStore::RemoveByIp(const std::string& ip) {
  return std::erase_if(entries_, [&](const ServerEntry& e) { return e.ip == ip; });
}

std::size_t MemoryEntryStore::RemoveUpdatedBefore(std::int64_t ms) {
  return std::erase_if(entries_, [&](const ServerEntry& e) { return e.lastupdate_ms < ms; });
}

std::size_t MemoryEntryStore::CountByIp(const std::string& ip) {
  return static_cast<std::size_t>(
      std::count_if(entries_.begin(), entries_.end(), [&](const ServerEntry& e) { return e.ip == ip; }));
}

std::size_t MemoryEntryStore::Count() { return entries_.size(); }

std::vector<ServerEntry> MemoryEntryStore::UpdatedSince(std::int64_t ms) {
  std::vector<ServerEntry> out;
  std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(out),
               [&](const ServerEntry& e) { return e.lastupdate_ms >= ms; });
  std::stable_sort(out.begin(), out.end(), [](const ServerEntry& a, const ServerEntry& b) {
    return a.created_ms < b.created_ms;
  });
  return out;
}

}  // namespace lobbyfind::directory_service
