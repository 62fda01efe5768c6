#include "presence/game_list.h"

#include <algorithm>
#include <span>

#include "presence/departure_times.h"
#include "presence/session_enumeration.h"

namespace lobbyfind::presence {
namespace {

const std::string& Request() {
  static const std::string request = SessionRequest();
  return request;
}

}  // namespace

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

GameList::GameList(ports::UdpSender& sender, const ports::Clock& clock, std::unique_ptr<ports::Timer> slices)
    : sender_(sender), clock_(clock), slices_(std::move(slices)) {
  if (slices_) {
    slices_->SetInterval(0);  // the next turn of the event loop
    slices_->OnTimer = [this] { SendSlice(); };
  }
}

void GameList::HandleServerList(const std::vector<std::string>& names, const std::vector<std::string>& maps,
                                const std::vector<std::string>& ips) {
  // The directory's lists are index-aligned; should one ever be short, the
  // entries without a partner in every list are left out rather than shown
  // with a wrong address or map.
  const std::size_t count = std::min({names.size(), maps.size(), ips.size()});
  names_.assign(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(count));
  maps_.assign(maps.begin(), maps.begin() + static_cast<std::ptrdiff_t>(count));
  ips_.assign(ips.begin(), ips.begin() + static_cast<std::ptrdiff_t>(count));
  lines_.clear();
  lines_.reserve(count);
  sent_at_.clear();
  sent_at_.reserve(count);
  by_address_.clear();
  for (std::size_t i = 0; i < count; ++i) {
    lines_.push_back(WaitingLine(names_[i], maps_[i]));
    by_address_[ips_[i]].push_back(i);
  }
  if (OnLinesReplaced) OnLinesReplaced(lines_);
  SendSlice();
}

void GameList::SendSlice() {
  const std::size_t end =
      slices_ ? std::min(ips_.size(), sent_at_.size() + kRequestsPerSlice) : ips_.size();
  const std::size_t begin = sent_at_.size();
  // Stamped when their requests leave, together in list order: the time a
  // line shows starts when its own request left.
  const std::int64_t before = clock_.MonotonicUs();
  sent_at_.resize(end, before);
  // A refused request leaves the server waiting; the others still get theirs.
  (void)sender_.SendToEach(std::span(ips_).subspan(begin, end - begin), kEnumerationPort, Request());
  if (sent_at_.size() == end) {
    SpreadOverCall(std::span(sent_at_).subspan(begin, end - begin), before, clock_.MonotonicUs());
  }
  if (slices_) slices_->SetEnabled(!AllRequestsSent());
}

bool GameList::PingServer(const std::string& address) {
  return sender_.Send(address, kEnumerationPort, Request());
}

void GameList::AnswerArrived(const std::string& peer, std::optional<std::int64_t> arrived_us) {
  const auto found = by_address_.find(peer);
  if (found == by_address_.end()) return;
  const std::int64_t now = arrived_us.value_or(clock_.MonotonicUs());
  for (const std::size_t i : found->second) {
    // A server still waiting for its request cannot have answered it: an
    // answer to an earlier list's request is not timed against nothing.
    if (i >= sent_at_.size()) continue;
    // Measured in microseconds, rounded to the millisecond only for the line.
    // Nor can one that arrived before its request left.
    if (now < sent_at_[i]) continue;
    lines_[i] = AnsweredLine((now - sent_at_[i] + 500) / 1000, names_[i], maps_[i]);
    if (OnLineChanged) OnLineChanged(i, lines_[i]);
  }
}

}  // namespace lobbyfind::presence
