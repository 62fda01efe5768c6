#include "directory_service.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>

#include "query_string.h"
#include "reply_document.h"
#include "text_sanitiser.h"
#include "directory/wire_names.h"

namespace lobbyfind::directory_service {

namespace wire = directory::wire;

namespace {

ServiceReply Error(int status, std::string text) { return {status, std::move(text) + "\n", false}; }

ServiceReply Document(std::string body) { return {200, std::move(body), true}; }

// Plain decimal only: no sign, no blanks, no "0x", nothing after the digits.
std::optional<long long> Decimal(std::string_view text, bool allow_sign) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  if (!allow_sign && text.front() == '-') return std::nullopt;
  long long n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return n;
}

}  // namespace

DirectoryService::DirectoryService(EntryStore& store, ServiceConfig config, ServiceLimits limits)
    : store_(store),
      config_(std::move(config)),
      limits_(limits),
      limiter_(limits.rate_per_second, limits.rate_burst) {}

ServiceReply DirectoryService::Handle(const ServiceRequest& request) {
  const std::string_view target = request.target;
  const auto mark = target.find('?');
  const std::string_view path = target.substr(0, mark);
  const std::string_view raw_query = mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);
  if (path != wire::kScriptPath) return Error(404, "not found");
  if (!limiter_.Allow(request.client, request.now_ms)) return Error(429, "too many requests from this address");
  if (raw_query.size() > limits_.max_query_bytes) return Error(400, "query too long");
  auto parsed = QueryString::Parse(raw_query);
  if (!parsed) return Error(400, "malformed query encoding");
  const QueryString& query = *parsed;

  const auto give_me = query.Value(wire::kGiveMe);
  if (!give_me) return Error(400, "missing GIVEME");
  if (*give_me == wire::kServers) return Servers(request.now_ms);
  if (*give_me == wire::kAddServer) return AddServer(query, request);
  if (*give_me == wire::kDelServer) return DelServer(request);
  if (*give_me == wire::kVersionRequest) return Version(query);
  if (*give_me == wire::kNews) return Document(NewsDocument(config_.news));
  return Error(400, "unknown GIVEME");
}

ServiceReply DirectoryService::Servers(std::int64_t now_ms) {
  if (!servers_cache_valid_ || now_ms > servers_cache_until_ms_) {
    const auto entries = store_.UpdatedSince(now_ms - limits_.ttl_ms);
    servers_cache_ = ServersDocument(entries);
    servers_cache_until_ms_ = std::numeric_limits<std::int64_t>::max();
    for (const auto& e : entries) {
      servers_cache_until_ms_ = std::min(servers_cache_until_ms_, e.lastupdate_ms + limits_.ttl_ms);
    }
    servers_cache_valid_ = true;
  }
  return Document(servers_cache_);
}

ServiceReply DirectoryService::AddServer(const QueryString& query, const ServiceRequest& request) {
  const auto port_text = query.Value(wire::kPort);
  if (!port_text) return Error(400, "missing PORT");
  const auto port = Decimal(*port_text, false);
  if (!port || *port < 1 || *port > 65535) return Error(400, "PORT must be a number from 1 to 65535");

  ServerEntry entry;
  entry.ip = request.client;
  entry.port = static_cast<int>(*port);
  entry.servername = SanitiseText(query.Value(wire::kServerName).value_or(""), kMaxNameBytes);
  entry.map = SanitiseText(query.Value(wire::kMap).value_or(""), kMaxNameBytes);
  entry.version = SanitiseText(query.Value(wire::kVersion).value_or(""), kMaxVersionBytes);
  entry.created_ms = request.now_ms;
  entry.lastupdate_ms = request.now_ms;

  if (store_.RemoveUpdatedBefore(request.now_ms - limits_.ttl_ms) > 0) Changed();
  if (const auto existing = store_.Find(entry.ip, entry.port)) {
    entry.created_ms = existing->created_ms;  // a refresh keeps its place in the list
  } else {
    if (store_.CountByIp(entry.ip) >= limits_.max_per_ip) {
      return Error(429, "this address already lists " + std::to_string(limits_.max_per_ip) + " servers");
    }
    if (store_.Count() >= limits_.max_entries) return Error(503, "the directory is full");
  }
  store_.Put(entry);
  Changed();
  return Document(AcknowledgementDocument(wire::kAddServer));
}

ServiceReply DirectoryService::DelServer(const ServiceRequest& request) {
  if (store_.RemoveUpdatedBefore(request.now_ms - limits_.ttl_ms) > 0) Changed();
  if (store_.RemoveByIp(request.client) > 0) Changed();
  return Document(AcknowledgementDocument(wire::kDelServer));
}

ServiceReply DirectoryService::Version(const QueryString& query) const {
  const auto text = query.Value(wire::kMyVersion);
  if (!text) return Error(400, "missing MEINEVERSION");
  const auto mine = Decimal(*text, true);
  if (!mine) return Error(400, "MEINEVERSION must be a number");
  // A lobby newer than the one the directory knows about (a test build, a
  // directory not yet told of a release) is not asked to "update" backwards.
  const bool current = *mine >= config_.current_version;
  std::vector<ChangeEntry> changes;
  if (!current) {
    std::copy_if(config_.changes.begin(), config_.changes.end(), std::back_inserter(changes),
                 [&](const ChangeEntry& c) { return !c.version || *c.version > *mine; });
  }
  return Document(VersionDocument(current, config_.update_url, changes));
}

}  // namespace lobbyfind::directory_service
