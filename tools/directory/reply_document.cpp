#include "reply_document.h"

#include <chrono>
#include <cstdio>

#include "directory/wire_names.h"

namespace lobbyfind::directory_service {

namespace wire = directory::wire;

namespace {

void Leaf(std::string& out, std::string_view name, std::string_view text) {
  out += '<';
  out += name;
  out += '>';
  out += text;
  out += "</";
  out += name;
  out += '>';
}

void Open(std::string& out, std::string_view name) {
  out += '<';
  out += name;
  out += '>';
}

void Close(std::string& out, std::string_view name) {
  out += "</";
  out += name;
  out += ">\n";
}

std::string Titled(std::string_view title) {
  std::string out;
  Leaf(out, wire::kTitle, title);
  out += '\n';
  return out;
}

}  // namespace

std::string UtcTimestamp(std::int64_t unix_ms) {
  using namespace std::chrono;
  const sys_time<milliseconds> t{milliseconds{unix_ms}};
  const auto day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss hms{floor<seconds>(t - day)};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                static_cast<int>(hms.seconds().count()));
  return buf;
}

std::string ServersDocument(const std::vector<ServerEntry>& entries, const ReachabilityLookup& reachability) {
  std::string out = Titled(wire::kServers);
  out.reserve(out.size() + entries.size() * 200);
  for (const auto& e : entries) {
    Open(out, wire::kServer);
    Leaf(out, wire::kServerNameElement, e.servername);
    Leaf(out, wire::kLastUpdate, UtcTimestamp(e.lastupdate_ms));
    Leaf(out, wire::kIp, e.ip);
    Leaf(out, wire::kMapElement, e.map);
    Leaf(out, wire::kPortElement, std::to_string(e.port));
    Leaf(out, wire::kVersionElement, e.version);
    const Reachability r = reachability ? reachability(e) : Reachability::kUnknown;
    if (r != Reachability::kUnknown)
      Leaf(out, wire::kReachable, r == Reachability::kReachable ? wire::kReachableYes : wire::kReachableNo);
    Close(out, wire::kServer);
  }
  return out;
}

std::string VersionDocument(bool current, std::string_view update_url,
                            const std::vector<ChangeEntry>& changes) {
  std::string out = Titled(wire::kVersionRequest);
  Leaf(out, wire::kCurrency, current ? wire::kCurrent : wire::kOutdated);
  out += '\n';
  Leaf(out, wire::kUpdateUrl, update_url);
  out += '\n';
  for (const auto& c : changes) {
    Open(out, wire::kEntry);
    Leaf(out, wire::kChangeText, c.text);
    Leaf(out, wire::kTimestamp, c.time);
    Close(out, wire::kEntry);
  }
  return out;
}

std::string NewsDocument(const std::vector<NewsEntry>& news) {
  std::string out = Titled(wire::kNews);
  for (const auto& n : news) {
    Open(out, wire::kEntry);
    Leaf(out, wire::kTimestamp, n.time);
    Leaf(out, wire::kAuthor, n.author);
    Leaf(out, wire::kNewsContent, n.content);
    Leaf(out, wire::kNewsTitle, n.title);
    Close(out, wire::kEntry);
  }
  return out;
}

std::string AcknowledgementDocument(std::string_view title) { return Titled(title); }

std::string PortCheckDocument(std::string_view ip, Reachability result) {
  std::string out = Titled(wire::kCheckPorts);
  Leaf(out, wire::kIp, ip);
  out += '\n';
  Leaf(out, wire::kReachable,
       result == Reachability::kReachable     ? wire::kReachableYes
       : result == Reachability::kUnreachable ? wire::kReachableNo
                                              : wire::kReachableUnknown);
  out += '\n';
  return out;
}

}  // namespace lobbyfind::directory_service
