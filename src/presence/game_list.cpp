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

// Written over a line of the last list where there is one: ten thousand
// lines reuse their buffers instead of being freed and made anew.
void WriteWaitingLine(std::string& line, std::string_view name, std::string_view map) {
  constexpr std::string_view kWaiting = "[*]";
  line.reserve(kWaiting.size() + name.size() + 1 + map.size());
  line.assign(kWaiting);
  line.append(name);
  line.push_back(':');
  line.append(map);
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
  std::string line;
  WriteWaitingLine(line, name, map);
  return line;
}

GameList::GameList(ports::UdpSender& sender, const ports::Clock& clock, std::unique_ptr<ports::Timer> slices)
    : sender_(sender), clock_(clock), slices_(std::move(slices)) {
  if (slices_) {
    slices_->SetInterval(0);  // the next turn of the event loop
    slices_->OnTimer = [this] { SendSlice(); };
  }
}

GameList::~GameList() {
  // No report may come for a list that is gone.
  if (sending_away_) sender_.StopSendingAway();
}

void GameList::ServersAhead(std::size_t first, std::span<const std::string> ips) {
  if (first == 0) {
    ahead_ips_.clear();
    held_.clear();
    // Begun anew over a coming list whose requests went out: the last
    // list's stamps are gone, so answers are still not timed on its lines.
    ahead_ = Ahead() ? AheadState::kStuck : AheadState::kNone;
  } else if (ahead_ != AheadState::kSending || first != ahead_ips_.size()) {
    return;  // refused earlier, or not the part that follows
  }
  if (ips.empty()) return;
  std::vector<std::string> hosts(ips.begin(), ips.end());
  if (first == 0) {
    // Refused, the last list goes on as it was.
    if (!sender_.SendToEachAway(hosts, kEnumerationPort, Request(), clock_, DepartedOf(list_number_ + 1)))
      return;
    BeginList(0);
    sending_away_ = true;
  } else if (!sender_.SendMoreAway(hosts)) {
    ahead_ = AheadState::kStuck;
    return;
  }
  ahead_ = AheadState::kSending;
  ahead_ips_.insert(ahead_ips_.end(), ips.begin(), ips.end());
  sent_at_.resize(ahead_ips_.size(), 0);
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
  // The requests sent ahead are this list's when it begins with their
  // addresses; the rest follows them from the same thread.
  bool taken_over = ahead_ == AheadState::kSending && ahead_ips_.size() <= count &&
                    std::equal(ahead_ips_.begin(), ahead_ips_.end(), ips_.begin());
  if (taken_over && count > ahead_ips_.size()) {
    taken_over = sender_.SendMoreAway(
        std::vector<std::string>(ips_.begin() + static_cast<std::ptrdiff_t>(ahead_ips_.size()), ips_.end()));
  }
  if (taken_over) {
    sent_at_.resize(count, 0);
  } else {
    SendAnew();
  }
  ahead_ = AheadState::kNone;
  ahead_ips_.clear();
  lines_.resize(count);
  by_address_.clear();
  by_address_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    WriteWaitingLine(lines_[i], names_[i], maps_[i]);
    by_address_[ips_[i]].push_back(i);
  }
  // Answers to requests sent anew came before them: only the taken-over
  // requests' answers belong to these lines.
  if (taken_over) {
    for (const auto& [peer, arrived_us] : held_) AnswerArrived(peer, arrived_us);
  }
  held_.clear();
  if (OnLinesReplaced) OnLinesReplaced(lines_);
  if (!sending_away_) SendSlice();
}

void GameList::BeginList(std::size_t count) {
  sent_at_.assign(count, 0);
  sent_ = 0;
  early_.clear();
  ++list_number_;
  if (slices_) slices_->SetEnabled(false);
}

ports::UdpSender::Departed GameList::DepartedOf(std::uint64_t list) {
  return [this, list](const ports::UdpSender::Departure& run) {
    if (list == list_number_) Departed(run);
  };
}

void GameList::SendAnew() {
  const std::size_t count = ips_.size();
  BeginList(count);
  // A long list goes out from the sender's own thread where it has one (a
  // short one costs nothing worth a thread), starting before the lines are
  // built: answers are read on this thread, after this returns.
  const bool was_away = sending_away_;
  sending_away_ = count > kRequestsPerSlice &&
                  sender_.SendToEachAway(ips_, kEnumerationPort, Request(), clock_, DepartedOf(list_number_));
  // The rest of an earlier long list is not sent.
  if (was_away && !sending_away_) sender_.StopSendingAway();
}

void GameList::SendSlice() {
  const std::size_t begin = sent_;
  const std::size_t end = slices_ ? std::min(ips_.size(), begin + kRequestsPerSlice) : ips_.size();
  // Stamped when their requests leave, together in list order: the time a
  // line shows starts when its own request left.
  const std::int64_t before = clock_.MonotonicUs();
  // A refused request leaves the server waiting; the others still get theirs.
  (void)sender_.SendToEach(std::span(ips_).subspan(begin, end - begin), kEnumerationPort, Request());
  Departed({begin, end - begin, before, clock_.MonotonicUs(), {}});
  if (slices_) slices_->SetEnabled(!AllRequestsSent());
}

void GameList::Departed(const ports::UdpSender::Departure& run) {
  // Runs come in order; anything else is not of this list.
  if (run.first != sent_ || run.count > sent_at_.size() - run.first) return;
  const std::span stamps = std::span(sent_at_).subspan(run.first, run.count);
  if (run.left_us.size() == run.count) {
    std::copy(run.left_us.begin(), run.left_us.end(), stamps.begin());
  } else {
    SpreadOverCall(stamps, run.before_us, run.after_us);
  }
  sent_ = run.first + run.count;
  std::erase_if(early_, [this](const std::pair<std::size_t, std::int64_t>& early) {
    if (early.first >= sent_) return false;
    ShowRoundTrip(early.first, early.second);
    return true;
  });
}

bool GameList::PingServer(const std::string& address) {
  return sender_.Send(address, kEnumerationPort, Request());
}

void GameList::AnswerArrived(const std::string& peer, std::optional<std::int64_t> arrived_us) {
  if (Ahead()) {
    // Timed once the coming list's lines are in (a list sent anew has no
    // use for them); a peer that answers over and over gets no more room
    // than that list.
    if (ahead_ == AheadState::kSending && held_.size() < ahead_ips_.size()) {
      held_.emplace_back(peer, arrived_us.value_or(clock_.MonotonicUs()));
    }
    return;
  }
  const auto found = by_address_.find(peer);
  if (found == by_address_.end()) return;
  const std::int64_t now = arrived_us.value_or(clock_.MonotonicUs());
  for (const std::size_t i : found->second) {
    if (i < sent_) {
      ShowRoundTrip(i, now);
    } else {
      // Not stamped yet: held until it is. An answer to an earlier list's
      // request turns out older than this list's request and is dropped then.
      // A peer that answers over and over gets no more room than the list.
      if (early_.size() < ips_.size()) early_.emplace_back(i, now);
    }
  }
}

void GameList::ShowRoundTrip(std::size_t index, std::int64_t arrived_us) {
  // A server cannot have answered a request before it left: that answer was
  // to an earlier list's request, and is not timed against this one.
  if (arrived_us < sent_at_[index]) return;
  // Measured in microseconds, rounded to the millisecond only for the line.
  lines_[index] = AnsweredLine((arrived_us - sent_at_[index] + 500) / 1000, names_[index], maps_[index]);
  if (OnLineChanged) OnLineChanged(index, lines_[index]);
}

}  // namespace lobbyfind::presence
