#include "portmap/mapping_plan.h"

#include <algorithm>

namespace lobbyfind::portmap {
namespace {

constexpr std::uint16_t kEnumerationPort = 47624;

int Index(Protocol p) { return p == Protocol::kTcp ? 0 : 1; }

const char* Name(Protocol p) { return p == Protocol::kTcp ? "TCP" : "UDP"; }

}  // namespace

std::vector<PortRequest> GamePorts(std::uint16_t last_game_port) {
  std::vector<PortRequest> ports = {{Protocol::kTcp, kEnumerationPort}, {Protocol::kUdp, kEnumerationPort}};
  for (Protocol p : {Protocol::kTcp, Protocol::kUdp}) {
    for (unsigned port = kFirstGamePort; port <= last_game_port; ++port)
      ports.push_back({p, static_cast<std::uint16_t>(port)});
  }
  return ports;
}

MappingPlan::MappingPlan(std::vector<PortRequest> wanted, std::uint32_t lease_s)
    : wanted_(std::move(wanted)), lease_s_(lease_s) {}

void MappingPlan::BeginRound(std::int64_t now_ms, bool renewal) {
  round_started_ms_ = now_ms;
  queue_ = renewal ? owned_ : wanted_;
  next_ = 0;
  given_up_.clear();
  refusals_in_row_[0] = refusals_in_row_[1] = 0;
  retry_.reset();
}

std::optional<PortRequest> MappingPlan::Next() {
  if (retry_) {
    const PortRequest again = *retry_;
    retry_.reset();
    return again;
  }
  while (next_ < queue_.size()) {
    const PortRequest candidate = queue_[next_++];
    if (candidate.port != kEnumerationPort && given_up_.count(candidate.protocol) != 0) continue;
    return candidate;
  }
  return std::nullopt;
}

void MappingPlan::Record(const PortRequest& request, MapOutcome outcome) {
  int& refusals = refusals_in_row_[Index(request.protocol)];
  switch (outcome) {
    case MapOutcome::kMapped:
      refusals = 0;
      if (std::find(owned_.begin(), owned_.end(), request) == owned_.end()) owned_.push_back(request);
      break;
    case MapOutcome::kPermanentOnly:
      if (lease_s_ != 0) {
        lease_s_ = 0;
        retry_ = request;
      }
      break;
    case MapOutcome::kTakenByOther:
      // Someone else's: never counted as ours, even if it once was.
      owned_.erase(std::remove(owned_.begin(), owned_.end(), request), owned_.end());
      break;
    case MapOutcome::kForwardedAlready:
      refusals = 0;
      forwarded_already_.insert(request);
      break;
    case MapOutcome::kRefused:
      if (request.port != kEnumerationPort && ++refusals >= kRefusalsBeforeGivingUp)
        given_up_.insert(request.protocol);
      break;
  }
}

bool MappingPlan::RenewalDue(std::int64_t now_ms) const {
  if (!round_started_ms_ || lease_s_ == 0 || owned_.empty()) return false;
  return now_ms - *round_started_ms_ >= static_cast<std::int64_t>(lease_s_) * 1000 / 2;
}

void MappingPlan::Removed(const PortRequest& request) {
  owned_.erase(std::remove(owned_.begin(), owned_.end(), request), owned_.end());
}

std::vector<PortRequest> MappingPlan::Missing() const {
  std::vector<PortRequest> missing;
  for (const auto& w : wanted_) {
    if (std::find(owned_.begin(), owned_.end(), w) == owned_.end() && forwarded_already_.count(w) == 0)
      missing.push_back(w);
  }
  return missing;
}

std::string DescribePorts(std::vector<PortRequest> ports) {
  std::sort(ports.begin(), ports.end());
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  std::string out;
  for (std::size_t i = 0; i < ports.size();) {
    std::size_t j = i;
    while (j + 1 < ports.size() && ports[j + 1].protocol == ports[i].protocol && ports[j + 1].port == ports[j].port + 1)
      ++j;
    if (!out.empty()) out += ", ";
    out += Name(ports[i].protocol);
    out += ' ';
    out += std::to_string(ports[i].port);
    if (j > i) out += "-" + std::to_string(ports[j].port);
    i = j + 1;
  }
  return out;
}

std::string HandForwardingLine(const std::string& reason, const std::vector<PortRequest>& missing) {
  return "Port mapping: " + reason + "; forward these ports to this computer by hand: " + DescribePorts(missing);
}

}  // namespace lobbyfind::portmap
