// The answer server and the answer handling on what any host may send to
// port 2300: arrivals of any size on connections from the own machine, from a
// listed server, from a stranger and from a peer of unknown address, mixed
// with time passing, closes and timer ticks. The game list keeps its lines,
// an arrival from a stranger changes nothing, an answer from the own machine
// announces the port its bytes name, and the open connections stay capped.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "presence/presence.h"
#include "presence/session_enumeration.h"
#include "support/fake_ports.h"

namespace {

using namespace lobbyfind::presence;
using namespace lobbyfind::test;

// Addresses in the documentation ranges; the first is listed, the second not.
const std::string kListed = "192.0.2.10";
const std::string kStranger = "198.51.100.7";
const std::vector<std::string> kPeers = {std::string(kOwnMachine), kListed, kStranger, ""};

// A connection the test opened; its `record` outlives it, so a released one is
// never touched.
struct Opened {
  FakeTcpConnection* connection;
  std::shared_ptr<ConnectionRecord> record;
  [[nodiscard]] bool Usable() const { return !record->destroyed && !connection->closed(); }
};

struct Announcement {
  std::string name;
  std::uint16_t port;
  std::string map;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  FakeClock clock;
  auto listener_owned = std::make_unique<FakeListener>();
  FakeListener* listener = listener_owned.get();
  auto sweep_owned = std::make_unique<FakeTimer>();
  FakeTimer* sweep = sweep_owned.get();
  Presence presence(std::make_unique<FakeUdpSender>(), std::move(listener_owned), std::move(sweep_owned), clock);
  FUZZ_CHECK(presence.Antwortserver().Activate());

  std::vector<Announcement> added;
  int deleted = 0;
  OwnListing& own = presence.own_listing();
  own.Nickname = [] { return std::string("Host"); };
  own.CurrentMapName = [] { return std::string("Downtown"); };
  own.AddServer = [&added](const std::string& name, std::uint16_t port, const std::string& map) {
    added.push_back({name, port, map});
  };
  own.DeleteServer = [&deleted] { ++deleted; };

  // The own machine listed too: its answers must still touch no line.
  GameList& list = presence.game_list();
  list.HandleServerList({"alpha", "own", "beta"}, {"map1", "map2", "map3"}, {kListed, std::string(kOwnMachine), kListed});
  const std::vector<std::string> waiting = list.ListBox1();

  std::vector<Opened> open;
  bool listed_answered = false;
  std::int64_t answered_after = 0;
  while (input.remaining_bytes() > 0) {
    const int action = input.ConsumeIntegralInRange(0, 15);
    if (action == 0) {
      clock.Advance(input.ConsumeIntegralInRange<std::int64_t>(0, 20000));
    } else if (action == 1) {
      sweep->Tick();
      own.Tick();
    } else if (action == 2 || open.empty()) {
      FakeTcpConnection* connection =
          listener->Connect(kPeers[input.ConsumeIntegralInRange<std::size_t>(0, kPeers.size() - 1)]);
      open.push_back({connection, connection->record()});
    } else if (action == 3) {
      const Opened& picked = open[input.ConsumeIntegralInRange<std::size_t>(0, open.size() - 1)];
      if (picked.Usable()) FUZZ_CHECK(picked.connection->PeerCloses());
    } else {
      const Opened picked = open[input.ConsumeIntegralInRange<std::size_t>(0, open.size() - 1)];
      const std::string bytes = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 4000));
      if (!picked.Usable()) continue;
      FakeTcpConnection* connection = picked.connection;
      const std::size_t announced = added.size();
      FUZZ_CHECK(connection->Deliver(bytes));
      const std::string peer = connection->PeerAddress();
      if (peer == kOwnMachine) {
        FUZZ_CHECK(added.size() == announced + 1);
        FUZZ_CHECK(added.back().port == AnswerGamePort(bytes.substr(0, AnswerServer::kMaxBytesPerArrival)));
        FUZZ_CHECK(own.ListingActive() && own.ListingCountdown() == OwnListing::kTicksToWithdraw);
      } else {
        FUZZ_CHECK(added.size() == announced);
      }
      if (peer == kListed) {
        listed_answered = true;
        answered_after = clock.monotonic_ms - 1000000;
      }
      FUZZ_CHECK(connection->written().empty());  // the answer server never sends
    }
    FUZZ_CHECK(presence.Antwortserver().OpenConnections() <= AnswerServer::kMaxConnections);
    FUZZ_CHECK(own.ListingCountdown() <= OwnListing::kTicksToWithdraw);
  }

  // Only the listed server's lines ever change, and to the time of its last answer.
  const auto& lines = list.ListBox1();
  FUZZ_CHECK(lines.size() == waiting.size());
  FUZZ_CHECK(lines[1] == waiting[1]);
  if (listed_answered) {
    FUZZ_CHECK(lines[0] == AnsweredLine(answered_after, "alpha", "map1"));
    FUZZ_CHECK(lines[2] == AnsweredLine(answered_after, "beta", "map3"));
  } else {
    FUZZ_CHECK(lines == waiting);
  }
  FUZZ_CHECK(deleted <= static_cast<int>(added.size()));
  return 0;
}
