#include "portmap/mapping_plan.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace lobbyfind::portmap {
namespace {

constexpr PortRequest kTcpEnum{Protocol::kTcp, 47624};
constexpr PortRequest kUdpEnum{Protocol::kUdp, 47624};

// Plays a whole round against a router whose answer per port is `answer`;
// returns the ports asked for, in order.
std::vector<PortRequest> PlayRound(MappingPlan& plan, std::int64_t now_ms, bool renewal,
                                   const std::function<MapOutcome(const PortRequest&, std::uint32_t)>& answer) {
  std::vector<PortRequest> asked;
  plan.BeginRound(now_ms, renewal);
  while (const auto request = plan.Next()) {
    asked.push_back(*request);
    plan.Record(*request, answer(*request, plan.LeaseSeconds()));
  }
  return asked;
}

TEST(GamePorts, EnumerationPortFirstThenTheRangeForBothProtocols) {
  const auto ports = GamePorts();
  ASSERT_EQ(ports.size(), 2u + 2u * 101u);
  EXPECT_EQ(ports[0], kTcpEnum);
  EXPECT_EQ(ports[1], kUdpEnum);
  EXPECT_EQ(DescribePorts(ports), "TCP 2300-2400, TCP 47624, UDP 2300-2400, UDP 47624");
}

// Routers by what they accept, and what the plan makes of each.
struct RouterCase {
  const char* name;
  std::function<MapOutcome(const PortRequest&, std::uint32_t)> answer;
  std::size_t asked;
  std::string owned;
  std::string missing;
};

TEST(MappingPlan, WhatEachKindOfRouterLeavesMappedAndToForwardByHand) {
  const std::vector<RouterCase> cases = {
      {"accepts all", [](const PortRequest&, std::uint32_t) { return MapOutcome::kMapped; }, 204,
       "TCP 2300-2400, TCP 47624, UDP 2300-2400, UDP 47624", ""},
      {"refuses all: gives up each range after three", [](const PortRequest&, std::uint32_t) { return MapOutcome::kRefused; },
       2 + 2 * kRefusalsBeforeGivingUp, "", "TCP 2300-2400, TCP 47624, UDP 2300-2400, UDP 47624"},
      {"accepts only up to 2350",
       [](const PortRequest& r, std::uint32_t) { return r.port <= 2350 || r.port == 47624 ? MapOutcome::kMapped : MapOutcome::kRefused; },
       2 + 2 * (51 + kRefusalsBeforeGivingUp), "TCP 2300-2350, TCP 47624, UDP 2300-2350, UDP 47624",
       "TCP 2351-2400, UDP 2351-2400"},
      {"one port held by another machine, one forwarded by hand already",
       [](const PortRequest& r, std::uint32_t) {
         if (r.port == 2310) return MapOutcome::kTakenByOther;
         if (r == kUdpEnum) return MapOutcome::kForwardedAlready;
         return MapOutcome::kMapped;
       },
       204, "TCP 2300-2309, TCP 2311-2400, TCP 47624, UDP 2300-2309, UDP 2311-2400", "TCP 2310, UDP 2310"},
      {"only permanent mappings: asked again without a lease",
       [](const PortRequest&, std::uint32_t lease) { return lease == 0 ? MapOutcome::kMapped : MapOutcome::kPermanentOnly; },
       205, "TCP 2300-2400, TCP 47624, UDP 2300-2400, UDP 47624", ""},
  };
  for (const auto& c : cases) {
    MappingPlan plan;
    EXPECT_EQ(PlayRound(plan, 0, false, c.answer).size(), c.asked) << c.name;
    EXPECT_EQ(DescribePorts(plan.Owned()), c.owned) << c.name;
    EXPECT_EQ(DescribePorts(plan.Missing()), c.missing) << c.name;
  }
}

TEST(MappingPlan, RenewsOwnedMappingsAtHalfTheLeaseAndNeverWithoutALease) {
  MappingPlan plan({kTcpEnum, kUdpEnum, {Protocol::kTcp, 2300}}, 600);
  PlayRound(plan, 1000, false, [](const PortRequest& r, std::uint32_t) {
    return r.port == 2300 ? MapOutcome::kRefused : MapOutcome::kMapped;
  });
  EXPECT_FALSE(plan.RenewalDue(1000 + 299999));
  EXPECT_TRUE(plan.RenewalDue(1000 + 300000));
  const auto renewed = PlayRound(plan, 301000, true, [](const PortRequest&, std::uint32_t) { return MapOutcome::kMapped; });
  EXPECT_EQ(renewed, (std::vector<PortRequest>{kTcpEnum, kUdpEnum})) << "a renewal asks for the owned ports only";
  EXPECT_FALSE(plan.RenewalDue(301000 + 299999));

  MappingPlan permanent({kTcpEnum}, 600);
  PlayRound(permanent, 0, false, [](const PortRequest&, std::uint32_t lease) {
    return lease == 0 ? MapOutcome::kMapped : MapOutcome::kPermanentOnly;
  });
  EXPECT_EQ(permanent.LeaseSeconds(), 0u);
  EXPECT_FALSE(permanent.RenewalDue(1000000000)) << "a permanent mapping needs no renewal";
}

TEST(MappingPlan, CleanUpCoversOnlyMappingsThisProgramMade) {
  MappingPlan plan({kTcpEnum, kUdpEnum, {Protocol::kTcp, 2300}}, 600);
  PlayRound(plan, 0, false, [](const PortRequest& r, std::uint32_t) {
    return r == kUdpEnum ? MapOutcome::kForwardedAlready : MapOutcome::kMapped;
  });
  EXPECT_EQ(plan.Owned(), (std::vector<PortRequest>{kTcpEnum, {Protocol::kTcp, 2300}}));
  // At renewal another machine has taken one of ours over: no longer ours to remove.
  PlayRound(plan, 300000, true, [](const PortRequest& r, std::uint32_t) {
    return r.port == 2300 ? MapOutcome::kTakenByOther : MapOutcome::kMapped;
  });
  EXPECT_EQ(plan.Owned(), std::vector<PortRequest>{kTcpEnum});
  plan.Removed(kTcpEnum);
  EXPECT_TRUE(plan.Owned().empty());
}

TEST(HandForwardingLine, NamesTheReasonAndThePorts) {
  EXPECT_EQ(HandForwardingLine("no UPnP router answered", GamePorts()),
            "Port mapping: no UPnP router answered; forward these ports to this computer by hand: "
            "TCP 2300-2400, TCP 47624, UDP 2300-2400, UDP 47624");
}

}  // namespace
}  // namespace lobbyfind::portmap
