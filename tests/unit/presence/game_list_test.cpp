#include "presence/game_list.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/fake_ports.h"
#include "presence/session_enumeration.h"

namespace lobbyfind::presence {
namespace {

using test::FakeClock;
using test::FakeTimer;
using test::FakeUdpSender;
using Lines = std::vector<std::string>;

class GameListTest : public ::testing::Test {
 protected:
  FakeUdpSender sender;
  FakeClock clock;
  GameList list{sender, clock};
};

TEST_F(GameListTest, EmptyServerListEmptiesEveryListAndSendsNothing) {
  list.HandleServerList({"A"}, {"M"}, {"10.0.0.1"});
  sender.sent.clear();
  list.HandleServerList({}, {}, {});
  EXPECT_TRUE(list.ListBox1().empty());
  EXPECT_TRUE(list.servernames().empty());
  EXPECT_TRUE(list.servermaps().empty());
  EXPECT_TRUE(list.serverips().empty());
  EXPECT_EQ(list.RequestsSent(), 0U);
  EXPECT_TRUE(sender.sent.empty());
}

TEST_F(GameListTest, ThreeServersArePingedInListOrderAndStamped) {
  list.HandleServerList({"Bob", "Ann", "Cid"}, {"Downtown", "Docks", "Bay"}, {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  ASSERT_EQ(sender.sent.size(), 3U);
  EXPECT_EQ(sender.sent[0].host, "10.0.0.1");
  EXPECT_EQ(sender.sent[1].host, "10.0.0.2");
  EXPECT_EQ(sender.sent[2].host, "10.0.0.3");
  for (const auto& d : sender.sent) {
    EXPECT_EQ(d.port, 47624);
    EXPECT_EQ(d.bytes, SessionRequest());
  }
  EXPECT_EQ(list.RequestsSent(), 3U);
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]Bob:Downtown", "[*]Ann:Docks", "[*]Cid:Bay"}));
  EXPECT_EQ(list.servernames(), (Lines{"Bob", "Ann", "Cid"}));
  EXPECT_EQ(list.servermaps(), (Lines{"Downtown", "Docks", "Bay"}));
  EXPECT_EQ(list.serverips(), (Lines{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
}

TEST_F(GameListTest, EveryRequestAsksForTheAnswerOnPort2300) {
  list.HandleServerList({"a", "b", "c"}, {"", "", ""}, {"10.1.2.3", "gta.example.org", "192.168.0.9"});
  ASSERT_TRUE(list.PingServer("127.0.0.1"));
  ASSERT_EQ(sender.sent.size(), 4U);
  for (const auto& d : sender.sent) {
    ASSERT_GE(d.bytes.size(), 8U) << d.host;
    EXPECT_EQ(static_cast<unsigned char>(d.bytes[6]), 0x08) << d.host;
    EXPECT_EQ(static_cast<unsigned char>(d.bytes[7]), 0xFC) << d.host;
  }
}

TEST_F(GameListTest, ServerListedTwiceGetsTwoRequestsStampsAndLines) {
  list.HandleServerList({"Bob", "Bob"}, {"Downtown", "Downtown"}, {"10.0.0.1", "10.0.0.1"});
  EXPECT_EQ(sender.sent.size(), 2U);
  EXPECT_EQ(list.RequestsSent(), 2U);
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]Bob:Downtown", "[*]Bob:Downtown"}));
}

TEST_F(GameListTest, RefusedRequestSkipsOnlyThatServer) {
  sender.refused = {"no.such.host"};
  list.HandleServerList({"A", "B", "C"}, {"x", "y", "z"}, {"10.0.0.1", "no.such.host", "10.0.0.3"});
  ASSERT_EQ(sender.sent.size(), 2U);
  EXPECT_EQ(sender.sent[1].host, "10.0.0.3");
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]A:x", "[*]B:y", "[*]C:z"}));
  EXPECT_EQ(list.RequestsSent(), 3U);
}

TEST_F(GameListTest, OwnMachinePingStampsNothing) {
  list.HandleServerList({"A"}, {"x"}, {"10.0.0.1"});
  clock.Advance(40);
  EXPECT_TRUE(list.PingServer("127.0.0.1"));
  EXPECT_EQ(list.RequestsSent(), 1U);
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]A:x"}));
  clock.Advance(2);
  list.AnswerArrived("10.0.0.1");
  EXPECT_EQ(list.ListBox1(), (Lines{"[42ms] A:x"})) << "timed from the list's request";
}

TEST_F(GameListTest, ShortListAmongTheThreeLimitsTheEntries) {
  list.HandleServerList({"A", "B"}, {"x", "y"}, {"10.0.0.1"});
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]A:x"}));
  EXPECT_EQ(sender.sent.size(), 1U);
}

TEST_F(GameListTest, AnswerShowsTheRoundTripOnItsLine) {
  Lines replaced;
  std::vector<std::pair<std::size_t, std::string>> changed;
  list.OnLinesReplaced = [&](const Lines& lines) { replaced = lines; };
  list.OnLineChanged = [&](std::size_t i, const std::string& line) { changed.emplace_back(i, line); };
  list.HandleServerList({"Ann", "Name", "Cid"}, {"a", "Map", "c"}, {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  EXPECT_EQ(replaced, list.ListBox1());
  clock.Advance(87);
  list.AnswerArrived("10.0.0.2");
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]Ann:a", "[87ms] Name:Map", "[*]Cid:c"}));
  ASSERT_EQ(changed.size(), 1U);
  EXPECT_EQ(changed[0], (std::pair<std::size_t, std::string>{1, "[87ms] Name:Map"}));
}

TEST_F(GameListTest, OneAnswerUpdatesEveryEntryWithThatAddress) {
  list.HandleServerList({"A", "B", "C"}, {"x", "y", "z"}, {"10.0.0.7", "10.0.0.8", "10.0.0.7"});
  clock.Advance(12);
  list.AnswerArrived("10.0.0.7");
  EXPECT_EQ(list.ListBox1(), (Lines{"[12ms] A:x", "[*]B:y", "[12ms] C:z"}));
}

TEST_F(GameListTest, AnswerFromUnlistedAddressChangesNothing) {
  list.HandleServerList({"A"}, {"x"}, {"10.0.0.7"});
  bool raised = false;
  list.OnLineChanged = [&](std::size_t, const std::string&) { raised = true; };
  clock.Advance(30);
  list.AnswerArrived("10.0.0.70");
  list.AnswerArrived("0.0.0.0");
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]A:x"}));
  EXPECT_FALSE(raised);
}

TEST_F(GameListTest, AnswerInTheSameMillisecondShowsQuestionMarks) {
  list.HandleServerList({"A"}, {"x"}, {"10.0.0.7"});
  list.AnswerArrived("10.0.0.7");
  EXPECT_EQ(list.ListBox1(), (Lines{"[???ms] A:x"}));
}

// A clock that counts microseconds, as the machine's does.
class MicrosecondClock final : public ports::Clock {
 public:
  [[nodiscard]] std::int32_t MsSinceMidnight() const override { return 0; }
  [[nodiscard]] std::int64_t MonotonicMs() const override { return us / 1000; }
  [[nodiscard]] std::int64_t MonotonicUs() const override { return us; }
  std::int64_t us = 5000000;
};

TEST(GameListRoundTrip, MeasuredInMicrosecondsAndRoundedToTheMillisecondForTheLine) {
  struct Case {
    std::int64_t sent_at_us;  // past a millisecond boundary by this much
    std::int64_t round_trip_us;
    const char* shown;
  };
  // Truncating both stamps to milliseconds would show up to 1 ms off; the
  // boundary cases catch it.
  const Case cases[] = {
      {900, 9200, "[9ms] A:x"},     // 9.2 ms across two boundaries: not 10
      {100, 9900, "[10ms] A:x"},    // 9.9 ms within one: not 9
      {0, 9499, "[9ms] A:x"},       {0, 9500, "[10ms] A:x"},
      {999, 200400, "[200ms] A:x"}, {0, 400, "[???ms] A:x"},  // under half a millisecond rounds to 0
  };
  for (const Case& c : cases) {
    FakeUdpSender sender;
    MicrosecondClock clock;
    clock.us += c.sent_at_us;
    GameList list(sender, clock);
    list.HandleServerList({"A"}, {"x"}, {"10.0.0.7"});
    clock.us += c.round_trip_us;
    list.AnswerArrived("10.0.0.7");
    EXPECT_EQ(list.ListBox1(), (Lines{c.shown})) << c.round_trip_us << " us sent at +" << c.sent_at_us;
  }
}

// A sender whose system takes `per_datagram_us` for each datagram it is
// handed, on the clock the list stamps with.
class PacedSender final : public ports::UdpSender {
 public:
  PacedSender(MicrosecondClock& clock, std::int64_t per_datagram_us)
      : clock_(clock), per_datagram_us_(per_datagram_us) {}
  bool Send(const std::string&, std::uint16_t, std::string_view) override {
    clock_.us += per_datagram_us_;
    return true;
  }

 private:
  MicrosecondClock& clock_;
  std::int64_t per_datagram_us_;
};

TEST(GameListRoundTrip, RequestsSentInOneCallAreEachTimedFromWhenTheyLeft) {
  MicrosecondClock clock;
  PacedSender sender(clock, 1000);
  GameList list(sender, clock);
  list.HandleServerList({"A", "B", "C"}, {"x", "y", "z"}, {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  // Sent 1, 2 and 3 ms into the call; all three answers come 10 ms after
  // the last left. Timed from the call's start, each would show 13 ms.
  clock.us += 10000;
  for (const char* ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) list.AnswerArrived(ip);
  EXPECT_EQ(list.ListBox1(), (Lines{"[12ms] A:x", "[11ms] B:y", "[10ms] C:z"}));
}

TEST_F(GameListTest, PingAcrossLocalMidnightCountsTheTimeIntoTheNextDay) {
  clock.ms_since_midnight = ports::MsOfDay(23, 59, 59, 950);
  list.HandleServerList({"A"}, {"x"}, {"10.0.0.7"});
  clock.Advance(87);
  ASSERT_EQ(clock.MsSinceMidnight(), 37);
  list.AnswerArrived("10.0.0.7");
  EXPECT_EQ(list.ListBox1(), (Lines{"[87ms] A:x"}));
}

TEST_F(GameListTest, EachPieceOfAnAnswerTimesTheLineAgain) {
  list.HandleServerList({"A"}, {"x"}, {"10.0.0.7"});
  clock.Advance(20);
  list.AnswerArrived("10.0.0.7");
  clock.Advance(15);
  list.AnswerArrived("10.0.0.7");
  EXPECT_EQ(list.ListBox1(), (Lines{"[35ms] A:x"}));
}

TEST_F(GameListTest, AnswerAfterANewListIsTimedAgainstTheNewStamps) {
  list.HandleServerList({"A", "B"}, {"x", "y"}, {"10.0.0.7", "10.0.0.8"});
  clock.Advance(500);
  list.AnswerArrived("10.0.0.7");
  // The new list's lines are written over the old ones, whatever was there.
  list.HandleServerList({"B"}, {"y"}, {"10.0.0.8"});
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]B:y"}));
  clock.Advance(40);
  list.AnswerArrived("10.0.0.7");  // no longer listed
  list.AnswerArrived("10.0.0.8");
  EXPECT_EQ(list.ListBox1(), (Lines{"[40ms] B:y"}));
  list.HandleServerList({"Cc", "D", "E"}, {"", "z", "w"}, {"10.0.0.9", "10.0.0.8", "10.0.0.1"});
  EXPECT_EQ(list.ListBox1(), (Lines{"[*]Cc:", "[*]D:z", "[*]E:w"}));
}

// A long list goes out in slices, one per turn of the event loop.
class SlicedGameListTest : public ::testing::Test {
 protected:
  SlicedGameListTest() {
    auto timer = std::make_unique<FakeTimer>();
    slices = timer.get();
    list = std::make_unique<GameList>(sender, clock, std::move(timer));
  }

  // n servers "S<i>" at 10.0.<i/200>.<i%200+1>, all on map "m".
  void ListServers(std::size_t n) {
    Lines names, maps, ips;
    for (std::size_t i = 0; i < n; ++i) {
      names.push_back("S" + std::to_string(i));
      maps.push_back("m");
      ips.push_back(Address(i));
    }
    list->HandleServerList(names, maps, ips);
  }
  static std::string Address(std::size_t i) {
    return "10.0." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1);
  }

  FakeUdpSender sender;
  FakeClock clock;
  FakeTimer* slices = nullptr;
  std::unique_ptr<GameList> list;
};

TEST_F(SlicedGameListTest, RequestsGoOutInListOrderOneSlicePerTurnEachStampedWhenSent) {
  constexpr std::size_t kServers = 2 * GameList::kRequestsPerSlice + 22;
  ListServers(kServers);
  // Every line waits from the start; only the first slice has gone out.
  EXPECT_EQ(list->ListBox1().size(), kServers);
  EXPECT_EQ(list->ListBox1().back(), "[*]S" + std::to_string(kServers - 1) + ":m");
  EXPECT_EQ(sender.sent.size(), GameList::kRequestsPerSlice);
  EXPECT_EQ(list->RequestsSent(), GameList::kRequestsPerSlice);
  EXPECT_FALSE(list->AllRequestsSent());
  EXPECT_TRUE(slices->enabled);
  EXPECT_EQ(slices->interval, 0U);

  clock.Advance(3);
  slices->Tick();
  EXPECT_EQ(sender.sent.size(), 2 * GameList::kRequestsPerSlice);
  clock.Advance(3);
  slices->Tick();
  EXPECT_TRUE(list->AllRequestsSent());
  EXPECT_FALSE(slices->enabled);

  ASSERT_EQ(sender.sent.size(), kServers);
  for (std::size_t i = 0; i < kServers; ++i) EXPECT_EQ(sender.sent[i].host, Address(i)) << i;
  // Each slice is stamped when it goes out: answers that arrive together
  // show 3 ms less for each later slice.
  clock.Advance(10);
  for (std::size_t i = 0; i < kServers; ++i) list->AnswerArrived(Address(i));
  for (std::size_t i = 0; i < kServers; ++i) {
    const auto slice = static_cast<int>(i / GameList::kRequestsPerSlice);
    EXPECT_EQ(list->ListBox1()[i], "[" + std::to_string(16 - 3 * slice) + "ms] S" + std::to_string(i) + ":m") << i;
  }
}

TEST_F(SlicedGameListTest, EachLineIsTimedFromItsOwnRequest) {
  ListServers(GameList::kRequestsPerSlice + 1);
  const std::size_t last = GameList::kRequestsPerSlice;
  clock.Advance(5);
  // An answer from a server whose request has not gone out yet belongs to an
  // earlier list: it leaves the line waiting.
  list->AnswerArrived(Address(last));
  EXPECT_EQ(list->ListBox1()[last], "[*]S" + std::to_string(last) + ":m");
  slices->Tick();
  clock.Advance(20);
  list->AnswerArrived(Address(last));
  list->AnswerArrived(Address(0));
  EXPECT_EQ(list->ListBox1()[last], "[20ms] S" + std::to_string(last) + ":m");
  EXPECT_EQ(list->ListBox1()[0], "[25ms] S0:m");
}

TEST_F(SlicedGameListTest, ANewListReplacesOneStillGoingOut) {
  ListServers(3 * GameList::kRequestsPerSlice);
  sender.sent.clear();
  list->HandleServerList({"A", "B"}, {"x", "y"}, {"10.9.9.1", Address(200)});
  EXPECT_TRUE(list->AllRequestsSent());
  EXPECT_FALSE(slices->enabled);
  slices->Tick();  // a tick already due changes nothing
  ASSERT_EQ(sender.sent.size(), 2U);
  EXPECT_EQ(list->RequestsSent(), 2U);
  // The address index follows the new list: the old entry at Address(0) is gone.
  clock.Advance(9);
  list->AnswerArrived(Address(0));
  list->AnswerArrived(Address(200));
  EXPECT_EQ(list->ListBox1(), (Lines{"[*]A:x", "[9ms] B:y"}));
}

TEST_F(SlicedGameListTest, AnEmptyListStopsThePacing) {
  ListServers(2 * GameList::kRequestsPerSlice);
  list->HandleServerList({}, {}, {});
  EXPECT_TRUE(list->AllRequestsSent());
  EXPECT_FALSE(slices->enabled);
}

// A sender with a thread of its own takes a long list whole and reports
// when each run left, or each request of it; every line is timed from its
// own request's stamp (spread over its run's call where there is none), even
// when its answer was read before that run's report came.
TEST_F(SlicedGameListTest, ALongListGoesOutFromTheSendersThreadEachLineTimedFromItsRun) {
  constexpr std::size_t kRun = GameList::kRequestsPerSlice;
  sender.away = true;
  ListServers(2 * kRun);
  ASSERT_EQ(sender.away_hosts.size(), 2 * kRun);
  for (std::size_t i = 0; i < 2 * kRun; ++i) EXPECT_EQ(sender.away_hosts[i], Address(i)) << i;
  EXPECT_EQ(sender.away_port, 47624);
  EXPECT_EQ(sender.away_datagram, SessionRequest());
  EXPECT_TRUE(sender.sent.empty());
  EXPECT_FALSE(slices->enabled);
  EXPECT_EQ(list->RequestsSent(), 0U);

  const std::int64_t t0 = clock.MonotonicUs();
  sender.departed({0, kRun, t0, t0, {}});
  EXPECT_EQ(list->RequestsSent(), kRun);
  list->AnswerArrived(Address(kRun), t0 + 30000);  // its run is not reported yet
  list->AnswerArrived(Address(kRun + 1), t0 - 1000);  // older than its request: an earlier list's
  list->AnswerArrived(Address(kRun + 32), t0 + 30000);
  EXPECT_EQ(list->ListBox1()[kRun], "[*]S" + std::to_string(kRun) + ":m");
  // The second run was held up for 7 ms after its first requests left:
  // spread over the run, the 33rd would seem to have left 3.6 ms later.
  std::vector<std::int64_t> left;
  for (std::size_t i = 0; i < kRun; ++i) left.push_back(t0 + 2000 + static_cast<std::int64_t>(i));
  sender.departed({kRun, kRun, t0 + 2000, t0 + 9000, left});
  EXPECT_TRUE(list->AllRequestsSent());
  EXPECT_EQ(list->ListBox1()[kRun], "[28ms] S" + std::to_string(kRun) + ":m");
  EXPECT_EQ(list->ListBox1()[kRun + 1], "[*]S" + std::to_string(kRun + 1) + ":m");
  EXPECT_EQ(list->ListBox1()[kRun + 32], "[28ms] S" + std::to_string(kRun + 32) + ":m");
  list->AnswerArrived(Address(0), t0 + 7000);
  EXPECT_EQ(list->ListBox1()[0], "[7ms] S0:m");
  list.reset();
  EXPECT_EQ(sender.stops, 1) << "no report may reach a list that is gone";
}

TEST_F(SlicedGameListTest, ANewListDropsTheRestOfALongOneGoingOutFromTheSendersThread) {
  sender.away = true;
  ListServers(3 * GameList::kRequestsPerSlice);
  const auto earlier = sender.departed;
  // A short list is sent here and now, and the long one's rest is dropped.
  list->HandleServerList({"A"}, {"x"}, {Address(0)});
  EXPECT_EQ(sender.stops, 1);
  ASSERT_EQ(sender.sent.size(), 1U);
  // A report of the earlier list already on its way changes nothing.
  const std::int64_t t0 = clock.MonotonicUs();
  earlier({0, GameList::kRequestsPerSlice, t0 - 5000, t0 - 5000, {}});
  EXPECT_EQ(list->RequestsSent(), 1U);
  list->AnswerArrived(Address(0), t0 + 4000);
  EXPECT_EQ(list->ListBox1(), (Lines{"[4ms] A:x"}));
}

// A long list's requests start while it is read: its parts go to the
// sender's thread ahead of it. The list takes them over when it begins with
// their addresses and sends only its rest; else (another list, or a part
// refused) it is sent anew, whole. Meanwhile the last list's lines stay, and
// an answer waits for the coming list: timed from its own request when taken
// over, dropped (older than the new request) when not.
TEST_F(SlicedGameListTest, RequestsSentAheadAreTakenOverByTheListThatBeginsWithThemElseItIsSentAnew) {
  constexpr std::size_t kRun = GameList::kRequestsPerSlice;
  Lines ips;
  for (std::size_t i = 0; i < 3 * kRun; ++i) ips.push_back(Address(i));
  Lines other = ips;
  other[3] = Address(999);
  const struct {
    const Lines& listed;
    bool more_taken;
    bool taken_over;
  } cases[] = {{ips, true, true}, {other, true, false}, {ips, false, false}};
  for (const auto& c : cases) {
    FakeUdpSender away;
    away.away = true;
    away.more_away = c.more_taken;
    GameList games(away, clock);
    games.HandleServerList({"A"}, {"x"}, {Address(0)});
    games.ServersAhead(0, std::span(ips).first(kRun));
    games.ServersAhead(2 * kRun, std::span(ips).subspan(2 * kRun));  // not the next part: ignored
    games.ServersAhead(kRun, std::span(ips).subspan(kRun, kRun));
    const std::int64_t t0 = clock.MonotonicUs();
    away.departed({0, kRun, t0, t0, {}});
    games.AnswerArrived(Address(0), t0 + 12000);
    games.AnswerArrived(Address(kRun + 1), t0 + 15000);  // its run is not reported yet
    EXPECT_EQ(games.ListBox1(), Lines{"[*]A:x"});
    games.HandleServerList(Lines(ips.size(), "S"), Lines(ips.size(), "m"), c.listed);
    EXPECT_EQ(away.away_starts, c.taken_over ? 1 : 2);
    EXPECT_EQ(away.away_hosts, c.listed);
    away.departed({c.taken_over ? kRun : 0, c.taken_over ? 2 * kRun : 3 * kRun, t0 + 3000, t0 + 3000, {}});
    EXPECT_TRUE(games.AllRequestsSent());
    const std::string line = c.taken_over ? "[12ms] S:m" : "[*]S:m";
    EXPECT_EQ(games.ListBox1()[0], line) << c.taken_over;
    EXPECT_EQ(games.ListBox1()[kRun + 1], line) << c.taken_over;
  }
}

TEST_F(SlicedGameListTest, RequestsThatCannotGoAheadLeaveTheLastListAsItWas) {
  // No thread of the sender's own: the last list goes on timing its answers.
  ListServers(2);
  list->ServersAhead(0, Lines{Address(5)});
  list->ServersAhead(1, Lines{Address(6)});
  clock.Advance(8);
  list->AnswerArrived(Address(1));
  EXPECT_EQ(list->ListBox1()[1], "[8ms] S1:m");
  EXPECT_TRUE(list->AllRequestsSent());
}

TEST(AnsweredLine, FormatsTimeNameAndMap) {
  EXPECT_EQ(AnsweredLine(87, "Name", "Map"), "[87ms] Name:Map");
  EXPECT_EQ(AnsweredLine(0, "Name", "Map"), "[???ms] Name:Map");
  EXPECT_EQ(AnsweredLine(1234, "", ""), "[1234ms] :");
  EXPECT_EQ(WaitingLine("Bob", "Downtown"), "[*]Bob:Downtown");
}

}  // namespace
}  // namespace lobbyfind::presence
