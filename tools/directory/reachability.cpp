#include "reachability.h"

#include <algorithm>

namespace lobbyfind::directory_service {

bool ReachabilityLedger::Announced(const std::string& ip, int port, std::int64_t now_ms) {
  Key key{ip, port};
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    if (entries_.size() >= limits_.max_entries) Expire(now_ms);
    if (entries_.size() >= limits_.max_entries) return false;
    it = entries_.emplace(std::move(key), Entry{}).first;
  } else if (it->second.waiting || now_ms - it->second.requested_ms < limits_.ttl_ms) {
    it->second.announced_ms = now_ms;
    return false;
  }
  // One datagram answers for every entry of the address: the game's answer
  // comes from the address, not from an entry's port.
  const bool already_asked = Awaits(ip);
  it->second.announced_ms = now_ms;
  it->second.requested_ms = now_ms;
  it->second.waiting = true;
  return !already_asked;
}

bool ReachabilityLedger::Answered(const std::string& ip) {
  bool changed = false;
  for (auto it = entries_.lower_bound({ip, 0}); it != entries_.end() && it->first.first == ip; ++it) {
    if (!it->second.waiting) continue;
    it->second.waiting = false;
    changed |= it->second.result != Reachability::kReachable;
    it->second.result = Reachability::kReachable;
  }
  return changed;
}

bool ReachabilityLedger::Awaits(const std::string& ip) const {
  for (auto it = entries_.lower_bound({ip, 0}); it != entries_.end() && it->first.first == ip; ++it) {
    if (it->second.waiting) return true;
  }
  return false;
}

bool ReachabilityLedger::Expire(std::int64_t now_ms) {
  bool changed = false;
  for (auto it = entries_.begin(); it != entries_.end();) {
    Entry& e = it->second;
    if (e.waiting && now_ms - e.requested_ms >= limits_.answer_wait_ms) {
      e.waiting = false;
      changed |= e.result != Reachability::kUnreachable;
      e.result = Reachability::kUnreachable;
    }
    if (!e.waiting && now_ms - e.announced_ms >= limits_.ttl_ms) {
      changed |= e.result != Reachability::kUnknown;
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  return changed;
}

Reachability ReachabilityLedger::Result(const std::string& ip, int port) const {
  const auto it = entries_.find({ip, port});
  return it == entries_.end() ? Reachability::kUnknown : it->second.result;
}

std::optional<Reachability> PortCheckLedger::Begin(const std::string& ip, std::int64_t now_ms) {
  auto it = checks_.find(ip);
  if (it != checks_.end() && (it->second.result == Reachability::kUnknown || now_ms - it->second.started_ms < period_ms_))
    return it->second.result;
  if (it == checks_.end()) {
    if (checks_.size() >= max_entries_) {
      std::erase_if(checks_, [&](const auto& check) {
        return check.second.result != Reachability::kUnknown && now_ms - check.second.started_ms >= period_ms_;
      });
    }
    // Full of running or recent checks: no new connection until one ages.
    if (checks_.size() >= max_entries_) return Reachability::kUnknown;
    it = checks_.emplace(ip, Check{}).first;
  }
  it->second = Check{now_ms, Reachability::kUnknown};
  return std::nullopt;
}

void PortCheckLedger::Done(const std::string& ip, bool reachable) {
  if (auto it = checks_.find(ip); it != checks_.end())
    it->second.result = reachable ? Reachability::kReachable : Reachability::kUnreachable;
}

}  // namespace lobbyfind::directory_service
