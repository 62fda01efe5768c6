#include "entry_store.h"

namespace lobbyfind::directory_service {

AnnounceResult EntryStore::Announce(ServerEntry entry, const AnnounceLimits& limits) {
  AnnounceResult result;
  result.expired = RemoveUpdatedBefore(limits.expired_before_ms);
  result.previous = Find(entry.ip, entry.port);
  if (result.previous) {
    entry.created_ms = result.previous->created_ms;
  } else if (CountByIp(entry.ip) >= limits.max_per_ip) {
    result.outcome = AnnounceOutcome::kAddressFull;
    return result;
  } else if (Count() >= limits.max_entries) {
    result.outcome = AnnounceOutcome::kDirectoryFull;
    return result;
  }
  Put(entry);
  return result;
}

}  // namespace lobbyfind::directory_service
