// Whether announced games answer from the internet. The ledger holds the
// rules that keep the check from being turned against anyone: a request
// goes only to the address an announcement came from, at most one per entry
// and time-to-live, and never a second one to an address while one is
// still waiting for its answer. Sockets live in ReachabilityProber.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace lobbyfind::directory_service {

enum class Reachability { kUnknown, kReachable, kUnreachable };

// What DirectoryService needs from a check: told of every stored
// announcement, asked for the result when the list is rendered.
class ReachabilityCheck {
 public:
  virtual ~ReachabilityCheck() = default;
  virtual void Announced(const std::string& ip, int port, std::int64_t now_ms) = 0;
  [[nodiscard]] virtual Reachability Result(const std::string& ip, int port) = 0;
  // "Check my ports" for the requester at `ip`: may take up to the answer
  // wait. A check without it knows nothing.
  [[nodiscard]] virtual Reachability CheckPort(const std::string& /*ip*/, std::int64_t /*now_ms*/) {
    return Reachability::kUnknown;
  }
};

struct ReachabilityLimits {
  std::int64_t ttl_ms = 30000;         // one request per entry per this long
  std::int64_t answer_wait_ms = 3000;  // no answer by then: unreachable
  std::size_t max_entries = 10000;     // entries remembered at most
};

class ReachabilityLedger {
 public:
  explicit ReachabilityLedger(ReachabilityLimits limits) : limits_(limits) {}

  // An announcement of (ip, port) was stored. True when a request is to be
  // sent to `ip` now.
  [[nodiscard]] bool Announced(const std::string& ip, int port, std::int64_t now_ms);
  // A game at `ip` answered. True when a result shown in the list changed.
  bool Answered(const std::string& ip);
  // Whether an answer from `ip` is awaited (others are not even read).
  [[nodiscard]] bool Awaits(const std::string& ip) const;
  // Requests unanswered for too long count as unreachable; entries not
  // announced for a time-to-live are forgotten. True when a shown result
  // changed.
  bool Expire(std::int64_t now_ms);
  [[nodiscard]] Reachability Result(const std::string& ip, int port) const;
  [[nodiscard]] std::size_t Size() const { return entries_.size(); }

 private:
  struct Entry {
    std::int64_t requested_ms = 0;
    std::int64_t announced_ms = 0;
    bool waiting = false;
    Reachability result = Reachability::kUnknown;
  };
  using Key = std::pair<std::string, int>;

  const ReachabilityLimits limits_;
  std::map<Key, Entry> entries_;
};

// "Check my ports": a connection to a TCP port of the requester's own
// address, at most one attempt per address per period; asking again within
// it gets the last result, asking while one runs gets kUnknown.
class PortCheckLedger {
 public:
  PortCheckLedger(std::int64_t period_ms, std::size_t max_entries) : period_ms_(period_ms), max_entries_(max_entries) {}

  // Nothing: the caller attempts the connection now and reports with Done.
  // Otherwise the answer to give without one.
  [[nodiscard]] std::optional<Reachability> Begin(const std::string& ip, std::int64_t now_ms);
  void Done(const std::string& ip, bool reachable);
  [[nodiscard]] std::size_t Size() const { return checks_.size(); }

 private:
  struct Check {
    std::int64_t started_ms = 0;
    Reachability result = Reachability::kUnknown;  // kUnknown: running
  };
  const std::int64_t period_ms_;
  const std::size_t max_entries_;
  std::map<std::string, Check> checks_;
};

}  // namespace lobbyfind::directory_service
