// The game list of the Internet games page: the visible lines (`ListBox1`)
// and the hidden, index-aligned lists of the last server list. It sends each
// listed server the session-enumeration request and turns the servers'
// answers into round-trip times on their lines.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ports/clock.h"
#include "ports/timer.h"
#include "ports/udp_sender.h"

namespace lobbyfind::presence {

class GameList {
 public:
  // Requests sent in one go. A long list is sent in slices of this many, one
  // slice per turn of the event loop, so that answers that come meanwhile
  // are read (and timed) at once and the window never freezes.
  static constexpr std::size_t kRequestsPerSlice = 64;

  // `slices` paces the slices of a long list; without it every request of a
  // list is sent at once. A list longer than one slice goes out from the
  // sender's own thread where it has one (SendToEachAway), and neither is
  // needed; `clock` is then read from that thread too.
  GameList(ports::UdpSender& sender, const ports::Clock& clock, std::unique_ptr<ports::Timer> slices = nullptr);
  ~GameList();
  GameList(const GameList&) = delete;
  GameList& operator=(const GameList&) = delete;

  // Replaces every list by a new server list (names, maps and IPv4 addresses,
  // index-aligned as the directory gave them) and shows every line as
  // waiting; then, in list order, stamps each server and sends it a request,
  // the first slice at once and the rest on the following turns. A server
  // whose request cannot be sent (bad address, refused send) keeps its
  // waiting line and the pass goes on with the next one.
  void HandleServerList(const std::vector<std::string>& names, const std::vector<std::string>& maps,
                        const std::vector<std::string>& ips);

  // The first servers of a list still being read, in list order; `first` is
  // the index of ips[0] in that list, and 0 begins a new one. Their requests
  // go out at once from the sender's own thread where it has one (else this
  // does nothing). HandleServerList then takes over the requests already
  // under way when its list begins with these addresses, and sends only the
  // rest. Meanwhile the lines stay the last list's, and the answers that
  // come are kept for the coming one.
  void ServersAhead(std::size_t first, std::span<const std::string> ips);

  // True once every server of the current list has been sent its request.
  [[nodiscard]] bool AllRequestsSent() const { return !Ahead() && sent_ == ips_.size(); }
  // How many servers of the current list have been sent their request (and
  // stamped with when it left).
  [[nodiscard]] std::size_t RequestsSent() const { return sent_; }

  // Sends one request to UDP port 47624 of `address`. False when the sender
  // refused it. Stamps nothing.
  bool PingServer(const std::string& address);

  // An answer from `peer` (not the own machine): every entry listed with
  // that address shows the time from its request to `arrived_us` (when the
  // system received the answer, on the clock's MonotonicUs), or to now.
  void AnswerArrived(const std::string& peer, std::optional<std::int64_t> arrived_us = std::nullopt);

  // The lists, all of the same length. There is no list of send times as
  // text since midnight: the round trips are measured on the monotonic clock
  // (below), and nothing else would read such stamps.
  [[nodiscard]] const std::vector<std::string>& ListBox1() const { return lines_; }
  [[nodiscard]] const std::vector<std::string>& servernames() const { return names_; }
  [[nodiscard]] const std::vector<std::string>& servermaps() const { return maps_; }
  [[nodiscard]] const std::vector<std::string>& serverips() const { return ips_; }

  // Raised after HandleServerList replaced all lines.
  std::function<void(const std::vector<std::string>& lines)> OnLinesReplaced;
  // Raised when one line got a new text (an answer arrived).
  std::function<void(std::size_t index, const std::string& line)> OnLineChanged;

 private:
  void SendSlice();
  // A run of requests left (each at its own time, where the sender knows it).
  void Departed(const ports::UdpSender::Departure& run);
  void ShowRoundTrip(std::size_t index, std::int64_t arrived_us);
  // The stamps from here on are a new list's (`count` of them): reports of
  // an earlier one are dropped, and its rest is not sent in slices.
  void BeginList(std::size_t count);
  // The report of list `list`'s runs from the sender's thread.
  ports::UdpSender::Departed DepartedOf(std::uint64_t list);
  // Starts sending `ips_` from the sender's thread, or else in slices here.
  void SendAnew();
  // Requests of a coming list are under way: the stamps are the coming
  // list's, so answers wait for its lines.
  [[nodiscard]] bool Ahead() const { return ahead_ != AheadState::kNone; }

  ports::UdpSender& sender_;
  const ports::Clock& clock_;
  std::vector<std::string> lines_;
  std::vector<std::string> names_;
  std::vector<std::string> maps_;
  std::vector<std::string> ips_;
  // The monotonic clock at each request, in microseconds: round trips are
  // measured on it, so neither local midnight nor a change of the wall clock
  // distorts them.
  // The first `sent_` are known.
  std::vector<std::int64_t> sent_at_;
  std::size_t sent_ = 0;
  // Answers that came before their request's departure was known: sent from
  // another thread, a request can be answered before its stamp is reported.
  // Index and arrival time; timed once the stamp is in.
  std::vector<std::pair<std::size_t, std::int64_t>> early_;
  // Counts the lists, so a report for an earlier list is told apart.
  std::uint64_t list_number_ = 0;
  bool sending_away_ = false;
  // Address -> indexes of its entries, so an answer does not scan the list.
  std::unordered_map<std::string, std::vector<std::size_t>> by_address_;
  std::unique_ptr<ports::Timer> slices_;
  // The coming list's requests (ServersAhead): none (or refused from the
  // first part: the last list goes on as it was); under way; or under way,
  // but a later part was refused (HandleServerList then sends the list anew).
  enum class AheadState { kNone, kSending, kStuck };
  AheadState ahead_ = AheadState::kNone;
  std::vector<std::string> ahead_ips_;
  // Answers that came while the coming list's requests were under way: from
  // its servers, to be timed once its lines are in.
  std::vector<std::pair<std::string, std::int64_t>> held_;
};

// The line of a server that answered after `round_trip_ms`; 0 ms cannot be
// told from "no time" and shows as "???".
[[nodiscard]] std::string AnsweredLine(std::int64_t round_trip_ms, std::string_view name, std::string_view map);
// The line of a server whose answer is awaited.
[[nodiscard]] std::string WaitingLine(std::string_view name, std::string_view map);

}  // namespace lobbyfind::presence
