#include "directory/webinterface.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "directory/wire_names.h"

namespace lobbyfind::directory {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

constexpr std::string_view kLatestLine = "Your version is the latest version! No update needed!";
constexpr std::string_view kOutdatedLine = "Your version is not the latest version!";
constexpr std::string_view kVisitBefore = "Visit ";
constexpr std::string_view kVisitAfter = " to update your Version.";
constexpr std::string_view kChangesLine = "The following important changes have been made :";

bool StaysAsIs(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("@!$'()*-._").find(static_cast<char>(c)) != std::string_view::npos;
}

// The parser's path of a top-level element: "." and its name.
std::string Path(std::string_view element) { return "." + std::string(element); }

// GIVEME=kind, then "&key=value" for each further pair; values already encoded.
std::string Query(std::string_view kind,
                  std::initializer_list<std::pair<std::string_view, std::string_view>> more = {}) {
  std::string query(wire::kGiveMe);
  query.append("=").append(kind);
  for (const auto& [key, value] : more) query.append("&").append(key).append("=").append(value);
  return query;
}

}  // namespace

std::string UrlEncode(std::string_view text) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == 0) break;
    if (StaysAsIs(c)) {
      out.push_back(byte);
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

std::string AddServerQuery(const std::string& ServerName, std::int32_t Port, const std::string& Version,
                           const std::string& Map) {
  return Query(wire::kAddServer, {{wire::kServerName, UrlEncode(ServerName)},
                                  {wire::kPort, std::to_string(Port)},
                                  {wire::kVersion, UrlEncode(Version)},
                                  {wire::kMap, UrlEncode(Map)}});
}

std::string DeleteServerQuery() { return Query(wire::kDelServer); }

std::string RequestUrl(std::string_view host, std::string_view query) {
  std::string url = "http://";
  url.append(host).append(wire::kScriptPath).append("?").append(query);
  return url;
}

cWebinterface::cWebinterface(HttpExchange& http, std::string host)
    : http_(http),
      host_(std::move(host)),
      server_list_url_(RequestUrl(host_, Query(wire::kServers))),
      add_server_prefix_(RequestUrl(host_, Query(wire::kAddServer)) + "&"),
      delete_server_url_(RequestUrl(host_, DeleteServerQuery())) {
  http_.OnSuccess = [this](CmdType) { ReplyReceived(); };
  http_.OnDisconnect = [this] { RequestDone(); };
  http_.OnExchangeFailed = [this](const std::string&) { RequestFailed(); };
}

cWebinterface::~cWebinterface() {
  http_.OnSuccess = nullptr;
  http_.OnDisconnect = nullptr;
  http_.OnExchangeFailed = nullptr;
}

void cWebinterface::SetStepTimer(std::unique_ptr<ports::Timer> steps) {
  steps_ = std::move(steps);
  if (!steps_) return;
  steps_->SetEnabled(false);
  steps_->SetInterval(0);  // the next turn of the event loop
  steps_->OnTimer = [this] { ReadStep(); };
}

void cWebinterface::RequestServerList() { QueueRequest(Query(wire::kServers), RequestKind::kServerList); }

void cWebinterface::AddServer(const std::string& ServerName, std::int32_t Port, const std::string& Version,
                              const std::string& Map) {
  QueueRequest(AddServerQuery(ServerName, Port, Version, Map), RequestKind::kListing);
}

void cWebinterface::DeleteServer() { QueueRequest(DeleteServerQuery(), RequestKind::kListing); }

void cWebinterface::CheckVersion(std::int32_t MyVersion) {
  QueueRequest(Query(wire::kVersionRequest, {{wire::kMyVersion, std::to_string(MyVersion)}}));
}

void cWebinterface::RequestNews() { QueueRequest(Query(wire::kNews)); }

void cWebinterface::CheckPorts() { QueueRequest(Query(wire::kCheckPorts)); }

bool cWebinterface::IsListing(const std::string& url) const {
  return url == delete_server_url_ || url.starts_with(add_server_prefix_);
}

void cWebinterface::QueueRequest(const std::string& query, RequestKind kind) {
  std::string url = RequestUrl(host_, query);
  const auto waiting_list = std::find(queue_.begin(), queue_.end(), server_list_url_);
  switch (kind) {
    case RequestKind::kServerList:
      if (waiting_list != queue_.end()) return;
      queue_.push_back(std::move(url));
      break;
    case RequestKind::kListing: {
      // Every listing request waiting stands before the waiting list request.
      const auto last_listing =
          std::find_if(std::make_reverse_iterator(waiting_list), queue_.rend(),
                       [this](const std::string& waiting) { return IsListing(waiting); });
      if (last_listing != queue_.rend() && *last_listing == url) return;
      queue_.insert(waiting_list, std::move(url));
      break;
    }
    case RequestKind::kOther:
      queue_.push_back(std::move(url));
      break;
  }
  SendNextRequest();
}

void cWebinterface::SendNextRequest() {
  // A loop, not recursion: a URL the exchange refuses at once ends here and
  // the next one is tried, however many are queued.
  while (!busy_ && !queue_.empty()) {
    busy_ = true;
    const std::string url = std::move(queue_.front());
    queue_.pop_front();
    if (http_.Get(url)) return;
    busy_ = false;
    if (OnConnectFailed) OnConnectFailed();
  }
}

void cWebinterface::RequestDone() {
  if (reading_) {
    done_waiting_ = true;
    return;
  }
  // The close of a failed exchange and its failure are one completion; the
  // failure, which follows at once, advances the queue.
  if (http_.Failed()) return;
  busy_ = false;
  SendNextRequest();
}

void cWebinterface::RequestFailed() {
  if (reading_) {
    failed_waiting_ = true;
    return;
  }
  busy_ = false;
  if (OnConnectFailed) OnConnectFailed();
  SendNextRequest();
}

void cWebinterface::ReplyReceived() {
  if (steps_ && http_.Body().size() >= kLongReplyBytes) {
    parser_.BeginParse(http_.Body());
    reading_ = true;
    parsed_ = false;
    servers_.reset();
    servers_ahead_ = 0;
    steps_->SetEnabled(true);
    return;
  }
  parser_.Parse(http_.Body());
  ReadReply();
}

void cWebinterface::ReadStep() {
  if (!parsed_) {
    // The turn that parses the last part does not read the reply too.
    parsed_ = parser_.ParseStep(kElementsPerStep);
    if (OnServersAhead) ReportServersAhead();
    return;
  }
  const bool servers = parser_.Value(Path(wire::kTitle)) == wire::kServers;
  if (servers && !servers_) {
    StartServerLists();
    servers_ = server_lists_.Unreachable.size();
    servers_read_ = 0;
  }
  if (servers_ && servers_read_ < *servers_) {
    const std::size_t end = std::min(*servers_, servers_read_ + kServersPerStep);
    ReadServers(servers_read_, end);
    servers_read_ = end;
    return;  // reported on the next turn
  }
  steps_->SetEnabled(false);
  reading_ = false;
  if (servers) {
    if (OnServerList) OnServerList(server_lists_);
  } else {
    ReadReply();
  }
  // The exchange's end, held back meanwhile, now lets the next request go.
  const bool failed = std::exchange(failed_waiting_, false);
  const bool done = std::exchange(done_waiting_, false);
  if (failed) {
    RequestFailed();
  } else if (done) {
    RequestDone();
  }
}

void cWebinterface::ReportServersAhead() {
  if (parser_.Find(Path(wire::kTitle)) != wire::kServers) return;
  const std::string server_path = Path(wire::kServer);
  // The last server counted may still get fields in the next step.
  const auto counted = static_cast<std::size_t>(parser_.Count(server_path));
  const std::size_t whole = parsed_ || counted == 0 ? counted : counted - 1;
  if (whole <= servers_ahead_) return;
  const std::string ip = Path(wire::kIp);
  std::vector<std::string> ips;
  ips.reserve(whole - servers_ahead_);
  for (std::size_t i = servers_ahead_; i < whole; ++i)
    ips.push_back(parser_.Value(InstancePath(server_path, i) + ip));
  const std::size_t first = std::exchange(servers_ahead_, whole);
  OnServersAhead(first, ips);
}

void cWebinterface::ReadReply() {
  const std::string title = parser_.Value(Path(wire::kTitle));
  if (title == wire::kVersionRequest) {
    VersionReply();
  } else if (title == wire::kServers) {
    ServerListReply();
  } else if (title == wire::kNews) {
    NewsReply();
  } else if (title == wire::kCheckPorts) {
    PortCheckReply();
  }
  // Replies to ADDSERVER and DELSERVER, error pages and empty bodies: nothing to report.
}

void cWebinterface::VersionReply() {
  const bool update_available = parser_.Value(Path(wire::kCurrency)) != wire::kCurrent;
  std::string text;
  auto line = [&text](std::string_view part) { text.append(part).append(kLineEnd); };
  if (!update_available) {
    line(kLatestLine);
  } else {
    line(kOutdatedLine);
    line(std::string(kVisitBefore) + parser_.Value(Path(wire::kUpdateUrl)) + std::string(kVisitAfter));
    line("");
    line(kChangesLine);
  }
  const std::string entries = Path(wire::kEntry);
  const int changes = parser_.Count(entries);
  for (int i = 0; i < changes; ++i) {
    const std::string entry = InstancePath(entries, static_cast<std::size_t>(i));
    line("- " + parser_.Value(entry + Path(wire::kChangeText)) + " (" +
         parser_.Value(entry + Path(wire::kTimestamp)) + ")");
  }
  if (OnVersionResult) OnVersionResult(update_available, text);
}

void cWebinterface::ServerListReply() {
  StartServerLists();
  ReadServers(0, server_lists_.Unreachable.size());
  if (OnServerList) OnServerList(server_lists_);
}

namespace {

// The six lists of a server list and the field each is read from.
std::array<std::pair<std::vector<std::string>*, std::string>, 6> ServerFields(tServerLists& lists) {
  return {{
      {&lists.ServerNames, Path(wire::kServerNameElement)},
      {&lists.LastUpdates, Path(wire::kLastUpdate)},
      {&lists.IPs, Path(wire::kIp)},
      {&lists.Maps, Path(wire::kMapElement)},
      {&lists.Ports, Path(wire::kPortElement)},
      {&lists.Versions, Path(wire::kVersionElement)},
  }};
}

}  // namespace

void cWebinterface::StartServerLists() {
  const int servers = parser_.Count(Path(wire::kServer));
  for (const auto& [list, field] : ServerFields(server_lists_)) {
    list->clear();
    list->reserve(static_cast<std::size_t>(servers));
  }
  server_lists_.Unreachable.assign(static_cast<std::size_t>(servers), false);
}

void cWebinterface::ReadServers(std::size_t begin, std::size_t end) {
  const auto fields = ServerFields(server_lists_);
  const std::string server_path = Path(wire::kServer);
  // Read apart from the six: a directory that does not check games sends
  // no such element, and the six lists stay what they always were.
  const std::string reachable = Path(wire::kReachable);
  // Thousands of servers are read here in a row: one buffer for every path.
  std::string path;
  for (std::size_t i = begin; i < end; ++i) {
    const std::string server = InstancePath(server_path, i);
    for (const auto& [list, field] : fields) list->push_back(parser_.Value(path.assign(server).append(field)));
    server_lists_.Unreachable[i] = parser_.Find(path.assign(server).append(reachable)) == wire::kReachableNo;
  }
}

void cWebinterface::PortCheckReply() {
  const std::string reachable = parser_.Value(Path(wire::kReachable));
  PortCheck result = PortCheck::kUnknown;
  if (reachable == wire::kReachableYes) result = PortCheck::kReachable;
  if (reachable == wire::kReachableNo) result = PortCheck::kUnreachable;
  if (OnPortCheck) OnPortCheck(result, parser_.Value(Path(wire::kIp)));
}

void cWebinterface::NewsReply() {
  const std::string entries = Path(wire::kEntry);
  const int count = parser_.Count(entries);
  for (int i = 0; i < count; ++i) {
    const std::string entry = InstancePath(entries, static_cast<std::size_t>(i));
    if (OnNewsItem) {
      OnNewsItem(parser_.Value(entry + Path(wire::kNewsTitle)), parser_.Value(entry + Path(wire::kNewsContent)),
                 parser_.Value(entry + Path(wire::kAuthor)), parser_.Value(entry + Path(wire::kTimestamp)));
    }
  }
}

}  // namespace lobbyfind::directory
