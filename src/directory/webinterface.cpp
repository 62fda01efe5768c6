#include "directory/webinterface.h"

#include <array>
#include <utility>

namespace lobbyfind::directory {
namespace {

constexpr std::string_view kScript = "/Vexnet/lobbyfind/webinterface.php";
constexpr std::string_view kLineEnd = "\r\n";

// What the service writes into ".titel" and ".aktualitaet".
constexpr std::string_view kVersionTitle = "VERSION";
constexpr std::string_view kServersTitle = "SERVERS";
constexpr std::string_view kNewsTitle = "NEWS";
constexpr std::string_view kCurrent = "aktuell";

constexpr std::string_view kLatestLine = "Your version is the latest version! No update needed!";
constexpr std::string_view kOutdatedLine = "Your version is not the latest version!";
constexpr std::string_view kVisitBefore = "Visit ";
constexpr std::string_view kVisitAfter = " to update your Version.";
constexpr std::string_view kChangesLine = "The following important changes have been made :";

bool StaysAsIs(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("@!$'()*-._").find(static_cast<char>(c)) != std::string_view::npos;
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

cWebinterface::cWebinterface(HttpExchange& http, std::string host) : http_(http), host_(std::move(host)) {
  http_.OnSuccess = [this](CmdType) { ReplyReceived(); };
  http_.OnDisconnect = [this] { RequestDone(); };
  http_.OnExchangeFailed = [this](const std::string&) { RequestFailed(); };
}

cWebinterface::~cWebinterface() {
  http_.OnSuccess = nullptr;
  http_.OnDisconnect = nullptr;
  http_.OnExchangeFailed = nullptr;
}

void cWebinterface::RequestServerList() { QueueRequest("GIVEME=SERVERS"); }

void cWebinterface::AddServer(const std::string& ServerName, std::int32_t Port, const std::string& Version,
                              const std::string& Map) {
  QueueRequest("GIVEME=ADDSERVER&SERVERNAME=" + UrlEncode(ServerName) + "&PORT=" + std::to_string(Port) +
               "&VERSION=" + UrlEncode(Version) + "&MAP=" + UrlEncode(Map));
}

void cWebinterface::DeleteServer() { QueueRequest("GIVEME=DELSERVER"); }

void cWebinterface::CheckVersion(std::int32_t MyVersion) {
  QueueRequest("GIVEME=VERSION&MEINEVERSION=" + std::to_string(MyVersion));
}

void cWebinterface::RequestNews() { QueueRequest("GIVEME=NEWS"); }

void cWebinterface::QueueRequest(const std::string& query) {
  std::string url = "http://";
  url.append(host_).append(kScript).append("?").append(query);
  queue_.push_back(std::move(url));
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
  // The close of a failed exchange and its failure are one completion; the
  // failure, which follows at once, advances the queue.
  if (http_.Failed()) return;
  busy_ = false;
  SendNextRequest();
}

void cWebinterface::RequestFailed() {
  busy_ = false;
  if (OnConnectFailed) OnConnectFailed();
  SendNextRequest();
}

void cWebinterface::ReplyReceived() {
  parser_.Parse(http_.Body());
  const std::string title = parser_.Value(".titel");
  if (title == kVersionTitle) {
    VersionReply();
  } else if (title == kServersTitle) {
    ServerListReply();
  } else if (title == kNewsTitle) {
    NewsReply();
  }
  // Replies to ADDSERVER and DELSERVER, error pages and empty bodies: nothing to report.
}

void cWebinterface::VersionReply() {
  const bool update_available = parser_.Value(".aktualitaet") != kCurrent;
  std::string text;
  auto line = [&text](std::string_view part) { text.append(part).append(kLineEnd); };
  if (!update_available) {
    line(kLatestLine);
  } else {
    line(kOutdatedLine);
    line(std::string(kVisitBefore) + parser_.Value(".updateurl") + std::string(kVisitAfter));
    line("");
    line(kChangesLine);
  }
  const int changes = parser_.Count(".eintrag");
  for (int i = 0; i < changes; ++i) {
    const std::string entry = InstancePath(".eintrag", static_cast<std::size_t>(i));
    line("- " + parser_.Value(entry + ".inhalt") + " (" + parser_.Value(entry + ".zeitpunkt") + ")");
  }
  if (OnVersionResult) OnVersionResult(update_available, text);
}

void cWebinterface::ServerListReply() {
  const std::array<std::pair<std::vector<std::string>*, std::string_view>, 6> fields = {{
      {&server_lists_.ServerNames, ".servername"},
      {&server_lists_.LastUpdates, ".lastupdate"},
      {&server_lists_.IPs, ".ip"},
      {&server_lists_.Maps, ".map"},
      {&server_lists_.Ports, ".port"},
      {&server_lists_.Versions, ".version"},
  }};
  const int servers = parser_.Count(".server");
  for (const auto& [list, field] : fields) {
    list->clear();
    list->reserve(static_cast<std::size_t>(servers));
  }
  for (int i = 0; i < servers; ++i) {
    const std::string server = InstancePath(".server", static_cast<std::size_t>(i));
    for (const auto& [list, field] : fields) list->push_back(parser_.Value(server + std::string(field)));
  }
  if (OnServerList) OnServerList(server_lists_);
}

void cWebinterface::NewsReply() {
  const int entries = parser_.Count(".eintrag");
  for (int i = 0; i < entries; ++i) {
    const std::string entry = InstancePath(".eintrag", static_cast<std::size_t>(i));
    if (OnNewsItem) {
      OnNewsItem(parser_.Value(entry + ".title"), parser_.Value(entry + ".content"),
                 parser_.Value(entry + ".autor"), parser_.Value(entry + ".zeitpunkt"));
    }
  }
}

}  // namespace lobbyfind::directory
