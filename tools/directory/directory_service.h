// The directory's request handling, free of sockets and storage details:
// takes the request target and the requester's address, applies the rules
// (validation, limits, time-to-live, order) to an EntryStore and returns the
// status and body to send. One thread at a time; the HTTP front serialises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "entry_store.h"
#include "rate_limiter.h"
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
  std::string body;
  bool document = false;  // a reply document; otherwise a short plain error text
};

class DirectoryService {
 public:
  DirectoryService(EntryStore& store, ServiceConfig config, ServiceLimits limits);

  [[nodiscard]] ServiceReply Handle(const ServiceRequest& request);

 private:
  ServiceReply Servers(std::int64_t now_ms);
  ServiceReply AddServer(const QueryString& query, const ServiceRequest& request);
  ServiceReply DelServer(const ServiceRequest& request);
  ServiceReply Version(const QueryString& query) const;
  void Changed() { servers_cache_valid_ = false; }

  EntryStore& store_;
  ServiceConfig config_;
  ServiceLimits limits_;
  RateLimiter limiter_;
  // SERVERS is by far the most frequent request and its document only
  // changes with an announcement, a withdrawal or an expiry, so the last one
  // is kept until the first of these.
  std::string servers_cache_;
  bool servers_cache_valid_ = false;
  std::int64_t servers_cache_until_ms_ = 0;
};

}  // namespace lobbyfind::directory_service
