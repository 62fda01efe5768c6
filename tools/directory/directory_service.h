// The directory's request handling, free of sockets and storage details:
// takes the request target and the requester's address, applies the rules
// (validation, limits, time-to-live, order) to an EntryStore and returns the
// status and body to send. Safe to call from many threads at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "entry_store.h"
#include "rate_limiter.h"
#include "reachability.h"
#include "service_config.h"

namespace lobbyfind::directory_service {

class QueryString;

struct ServiceLimits {
  std::int64_t ttl_ms = 30000;          // an entry not refreshed for this long is gone
  std::size_t max_per_ip = 4;           // entries one address may hold
  std::size_t max_entries = 10000;      // entries in all
  std::size_t max_query_bytes = 512;    // the lobby's own requests stay under 256
  double rate_per_second = 5;           // per-address request rate; 0 switches it off
  double rate_burst = 20;               // requests an address may send at once
};

// Bounds of announced texts, in bytes after sanitising.
inline constexpr std::size_t kMaxNameBytes = 64;
inline constexpr std::size_t kMaxVersionBytes = 16;

struct ServiceRequest {
  std::string client;   // the requester's address (see ClientAddress)
  std::string target;   // path and query as sent, e.g. "/Vexnet/...php?GIVEME=NEWS"
  std::int64_t now_ms = 0;
};

struct ServiceReply {
  int status = 200;
  // Shared, not copied: the server list is sent to every lobby from one buffer.
  std::shared_ptr<const std::string> body;
  bool document = false;  // a reply document; otherwise a short plain error text

  [[nodiscard]] const std::string& Body() const { return *body; }
};

class DirectoryService {
 public:
  // With `reachability`, every stored announcement is checked and the list
  // shows the results; whoever owns the check calls ListChanged when one changes.
  DirectoryService(EntryStore& store, ServiceConfig config, ServiceLimits limits,
                   ReachabilityCheck* reachability = nullptr);

  [[nodiscard]] ServiceReply Handle(const ServiceRequest& request);

  // The store was changed by someone else (another instance on a shared
  // store), or may have been: the next SERVERS reply is read anew.
  void ListChanged() { list_generation_.fetch_add(1); }

 private:
  // A rendered SERVERS reply, good until its oldest entry expires or the
  // list changes (a newer generation).
  struct ServerList {
    std::shared_ptr<const std::string> document;
    std::uint64_t generation = 0;
    std::int64_t valid_until_ms = 0;
  };
  // VERSION answers for every lobby version below the current one, by the
  // change-list versions they fall between.
  struct VersionReplies {
    std::shared_ptr<const std::string> current;
    std::vector<long long> thresholds;                         // distinct change versions, ascending
    std::vector<std::shared_ptr<const std::string>> outdated;  // one per gap, thresholds.size() + 1
  };

  ServiceReply Servers(std::int64_t now_ms);
  ServiceReply AddServer(const QueryString& query, const ServiceRequest& request);
  ServiceReply DelServer(const ServiceRequest& request);
  ServiceReply CheckPorts(const ServiceRequest& request);
  ServiceReply Version(const QueryString& query) const;
  [[nodiscard]] std::shared_ptr<const ServerList> FreshList(std::int64_t now_ms) const;
  [[nodiscard]] bool Allow(const ServiceRequest& request);

  EntryStore& store_;
  const ServiceConfig config_;
  const ServiceLimits limits_;
  ReachabilityCheck* const reachability_;
  std::mutex store_mutex_;  // the store is used by one thread at a time
  std::mutex limiter_mutex_;
  RateLimiter limiter_;
  // Every SERVERS request reads this without a lock; only a request that
  // finds it stale takes the store's lock and renders it again.
  std::atomic<std::shared_ptr<const ServerList>> server_list_;
  std::atomic<std::uint64_t> list_generation_ = 0;
  const std::shared_ptr<const std::string> news_;
  const VersionReplies versions_;
};

}  // namespace lobbyfind::directory_service
