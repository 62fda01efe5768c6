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

std::shared_ptr<const std::string> Shared(std::string text) {
  return std::make_shared<const std::string>(std::move(text));
}

ServiceReply Error(int status, std::string text) { return {status, Shared(std::move(text) + "\n"), false}; }

ServiceReply Document(std::shared_ptr<const std::string> body) { return {200, std::move(body), true}; }

// Plain decimal only: no sign, no blanks, no "0x", nothing after the digits.
std::optional<long long> Decimal(std::string_view text, bool allow_sign) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  if (!allow_sign && text.front() == '-') return std::nullopt;
  long long n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return n;
}

std::vector<ChangeEntry> ChangesAfter(const std::vector<ChangeEntry>& changes, long long mine) {
  std::vector<ChangeEntry> out;
  std::copy_if(changes.begin(), changes.end(), std::back_inserter(out),
               [&](const ChangeEntry& c) { return !c.version || *c.version > mine; });
  return out;
}

// Whether the list a lobby receives looks different after the refresh:
// "lastupdate" is shown to the second.
bool ShownDifferently(const ServerEntry& before, const ServerEntry& after) {
  return before.servername != after.servername || before.map != after.map ||
         before.version != after.version ||
         UtcTimestamp(before.lastupdate_ms) != UtcTimestamp(after.lastupdate_ms);
}

}  // namespace

DirectoryService::DirectoryService(EntryStore& store, ServiceConfig config, ServiceLimits limits,
                                   ReachabilityCheck* reachability)
    : store_(store),
      config_(std::move(config)),
      limits_(limits),
      reachability_(reachability),
      limiter_(limits.rate_per_second, limits.rate_burst),
      news_(Shared(NewsDocument(config_.news))),
      versions_([this] {
        // A lobby's answer depends only on which change versions lie above
        // its own, so one document per gap between them covers every lobby.
        VersionReplies v;
        v.current = Shared(VersionDocument(true, config_.update_url, {}));
        for (const auto& c : config_.changes) {
          if (c.version) v.thresholds.push_back(*c.version);
        }
        std::sort(v.thresholds.begin(), v.thresholds.end());
        v.thresholds.erase(std::unique(v.thresholds.begin(), v.thresholds.end()), v.thresholds.end());
        for (std::size_t gap = 0; gap <= v.thresholds.size(); ++gap) {
          const long long mine = gap == 0 ? std::numeric_limits<long long>::min() : v.thresholds[gap - 1];
          v.outdated.push_back(
              Shared(VersionDocument(false, config_.update_url, ChangesAfter(config_.changes, mine))));
        }
        return v;
      }()) {}

bool DirectoryService::Allow(const ServiceRequest& request) {
  if (limits_.rate_per_second <= 0) return true;
  std::lock_guard lock(limiter_mutex_);
  return limiter_.Allow(request.client, request.now_ms);
}

ServiceReply DirectoryService::Handle(const ServiceRequest& request) {
  const std::string_view target = request.target;
  const auto mark = target.find('?');
  const std::string_view path = target.substr(0, mark);
  const std::string_view raw_query = mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);
  if (path != wire::kScriptPath) return Error(404, "not found");
  if (!Allow(request)) return Error(429, "too many requests from this address");
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
  if (*give_me == wire::kNews) return Document(news_);
  if (*give_me == wire::kCheckPorts) return CheckPorts(request);
  return Error(400, "unknown GIVEME");
}

ServiceReply DirectoryService::CheckPorts(const ServiceRequest& request) {
  if (!reachability_) return Error(404, "this directory does not check ports");
  // Only the requester's own address is ever checked.
  return Document(Shared(PortCheckDocument(request.client, reachability_->CheckPort(request.client, request.now_ms))));
}

std::shared_ptr<const DirectoryService::ServerList> DirectoryService::FreshList(std::int64_t now_ms) const {
  auto list = server_list_.load();
  if (list && list->generation == list_generation_.load() && now_ms <= list->valid_until_ms) return list;
  return nullptr;
}

ServiceReply DirectoryService::Servers(std::int64_t now_ms) {
  if (auto list = FreshList(now_ms)) return Document(list->document);
  std::lock_guard lock(store_mutex_);
  // Many requests may have found the list stale at once; the first renders it.
  if (auto list = FreshList(now_ms)) return Document(list->document);
  // The generation is taken before reading: a change announced while the
  // store is read leaves this rendering already stale.
  auto list = std::make_shared<ServerList>();
  list->generation = list_generation_.load();
  const auto entries = store_.UpdatedSince(now_ms - limits_.ttl_ms);
  ReachabilityLookup lookup;
  if (reachability_) lookup = [this](const ServerEntry& e) { return reachability_->Result(e.ip, e.port); };
  list->document = Shared(ServersDocument(entries, lookup));
  list->valid_until_ms = std::numeric_limits<std::int64_t>::max();
  for (const auto& e : entries)
    list->valid_until_ms = std::min(list->valid_until_ms, e.lastupdate_ms + limits_.ttl_ms);
  server_list_.store(list);
  return Document(list->document);
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

  AnnounceResult result;
  {
    std::lock_guard lock(store_mutex_);
    result =
        store_.Announce(entry, {limits_.max_per_ip, limits_.max_entries, request.now_ms - limits_.ttl_ms});
    const bool stored = result.outcome == AnnounceOutcome::kStored;
    if (result.expired > 0 || (stored && (!result.previous || ShownDifferently(*result.previous, entry)))) {
      ListChanged();
    }
  }
  switch (result.outcome) {
    case AnnounceOutcome::kAddressFull:
      return Error(429, "this address already lists " + std::to_string(limits_.max_per_ip) + " servers");
    case AnnounceOutcome::kDirectoryFull:
      return Error(503, "the directory is full");
    case AnnounceOutcome::kStored:
      break;
  }
  if (reachability_) reachability_->Announced(entry.ip, entry.port, request.now_ms);
  return Document(Shared(AcknowledgementDocument(wire::kAddServer)));
}

ServiceReply DirectoryService::DelServer(const ServiceRequest& request) {
  std::lock_guard lock(store_mutex_);
  const bool expired = store_.RemoveUpdatedBefore(request.now_ms - limits_.ttl_ms) > 0;
  if (store_.RemoveByIp(request.client) > 0 || expired) ListChanged();
  return Document(Shared(AcknowledgementDocument(wire::kDelServer)));
}

ServiceReply DirectoryService::Version(const QueryString& query) const {
  const auto text = query.Value(wire::kMyVersion);
  if (!text) return Error(400, "missing MEINEVERSION");
  const auto mine = Decimal(*text, true);
  if (!mine) return Error(400, "MEINEVERSION must be a number");
  // A lobby newer than the one the directory knows about (a test build, a
  // directory not yet told of a release) is not asked to "update" backwards.
  if (*mine >= config_.current_version) return Document(versions_.current);
  const auto gap = std::upper_bound(versions_.thresholds.begin(), versions_.thresholds.end(), *mine) -
                   versions_.thresholds.begin();
  return Document(versions_.outdated[static_cast<std::size_t>(gap)]);
}

}  // namespace lobbyfind::directory_service
