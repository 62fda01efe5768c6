#include "presence/game_list.h"

#include <algorithm>

#include "presence/session_enumeration.h"

namespace lobbyfind::presence {

std::string AnsweredLine(std::int64_t round_trip_ms, std::string_view name, std::string_view map) {
  std::string line = round_trip_ms != 0 ? "[" + std::to_string(round_trip_ms) + "ms] " : std::string("[???ms] ");
  line.append(name);
  line.push_back(':');
  line.append(map);
  return line;
}

std::string WaitingLine(std::string_view name, std::string_view map) {
  std::string line = "[*]";
  line.append(name);
  line.push_back(':');
  line.append(map);
  return line;
}

GameList::GameList(ports::UdpSender& sender, const ports::Clock& clock) : sender_(sender), clock_(clock) {}

void GameList::HandleServerList(const std::vector<std::string>& names, const std::vector<std::string>& maps,
                                const std::vector<std::string>& ips) {
  // The directory's lists are index-aligned; should one ever be short, the
  // entries without a partner in every list are left out rather than shown
  // with a wrong address or map.
  const std::size_t count = std::min({names.size(), maps.size(), ips.size()});
  names_.assign(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(count));
  maps_.assign(maps.begin(), maps.begin() + static_cast<std::ptrdiff_t>(count));
  ips_.assign(ips.begin(), ips.begin() + static_cast<std::ptrdiff_t>(count));
  lines_ = names_;
  ping_times_.clear();
  sent_at_.clear();
  by_address_.clear();
  for (std::size_t i = 0; i < count; ++i) {
    ping_times_.push_back(std::to_string(clock_.MsSinceMidnight()));
    sent_at_.push_back(clock_.MonotonicMs());
    lines_[i] = WaitingLine(names_[i], maps_[i]);
    by_address_[ips_[i]].push_back(i);
    // A refused request leaves the server waiting; the others still get theirs.
    (void)PingServer(ips_[i]);
  }
  if (OnLinesReplaced) OnLinesReplaced(lines_);
}

bool GameList::PingServer(const std::string& address) {
  return sender_.Send(address, kEnumerationPort, SessionRequest());
}

void GameList::AnswerArrived(const std::string& peer) {
  const auto found = by_address_.find(peer);
  if (found == by_address_.end()) return;
  const std::int64_t now = clock_.MonotonicMs();
  for (const std::size_t i : found->second) {
    lines_[i] = AnsweredLine(now - sent_at_[i], names_[i], maps_[i]);
    if (OnLineChanged) OnLineChanged(i, lines_[i]);
  }
}

}  // namespace lobbyfind::presence
