// Which port mappings the lobby asks the home router for, and what it does
// with the router's answers: the game's ports (TCP and UDP 47624 and
// 2300-2400, or the part of the range the router accepts), a lease renewed
// at half its time, and at the end the removal of the mappings this
// program made and no others. Pure rules; the router is spoken to elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lobbyfind::portmap {

enum class Protocol { kTcp, kUdp };

struct PortRequest {
  Protocol protocol = Protocol::kTcp;
  std::uint16_t port = 0;

  friend auto operator<=>(const PortRequest&, const PortRequest&) = default;
};

inline constexpr std::uint16_t kFirstGamePort = 2300;
inline constexpr std::uint16_t kLastGamePort = 2400;

// TCP and UDP 47624 first (without them nobody finds the game), then
// 2300 up to `last_game_port` (2400; a host with few games needs fewer).
[[nodiscard]] std::vector<PortRequest> GamePorts(std::uint16_t last_game_port = kLastGamePort);

// What the router said to one request.
enum class MapOutcome {
  kMapped,
  kPermanentOnly,  // the router takes no leases: ask again with lease 0
  kTakenByOther,   // another machine holds this port: left alone
  kForwardedAlready,  // a mapping to this machine someone else made: kept, not ours
  kRefused,
};

inline constexpr std::uint32_t kLeaseSeconds = 3600;
// This many refusals in a row within the range end the round for that
// protocol's rest of it: a router that accepts only part of a range need
// not be asked for every port beyond it.
inline constexpr int kRefusalsBeforeGivingUp = 3;

class MappingPlan {
 public:
  explicit MappingPlan(std::vector<PortRequest> wanted = GamePorts(), std::uint32_t lease_s = kLeaseSeconds);

  // Starts asking for every wanted port; a renewal asks again for the owned ones only.
  void BeginRound(std::int64_t now_ms, bool renewal);
  // The next port to ask for in this round, if any.
  [[nodiscard]] std::optional<PortRequest> Next();
  void Record(const PortRequest& request, MapOutcome outcome);
  // The lease to ask for now (0 once the router said it takes no leases).
  [[nodiscard]] std::uint32_t LeaseSeconds() const { return lease_s_; }
  // A renewal round is due: half the lease since the last round began.
  [[nodiscard]] bool RenewalDue(std::int64_t now_ms) const;

  // Mappings this program made, in the order made: the only ones removed at the end.
  [[nodiscard]] std::vector<PortRequest> Owned() const { return owned_; }
  void Removed(const PortRequest& request);
  // Wanted ports without a mapping of ours: to be forwarded by hand.
  [[nodiscard]] std::vector<PortRequest> Missing() const;

 private:
  std::vector<PortRequest> wanted_;
  std::uint32_t lease_s_;
  std::vector<PortRequest> owned_;
  std::set<PortRequest> forwarded_already_;
  std::vector<PortRequest> queue_;
  std::size_t next_ = 0;
  std::optional<std::int64_t> round_started_ms_;
  std::set<Protocol> given_up_;
  int refusals_in_row_[2] = {0, 0};
  std::optional<PortRequest> retry_;
};

// "TCP 2300-2400, UDP 2300-2400, TCP 47624": consecutive ports as ranges.
[[nodiscard]] std::string DescribePorts(std::vector<PortRequest> ports);

// The one chat log line when the router maps nothing or not everything.
[[nodiscard]] std::string HandForwardingLine(const std::string& reason, const std::vector<PortRequest>& missing);

}  // namespace lobbyfind::portmap
