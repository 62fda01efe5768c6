#include "presence/presence.h"

#include <gtest/gtest.h>

#include "support/fake_ports.h"

namespace lobbyfind::presence {
namespace {

using namespace lobbyfind::test;
using Lines = std::vector<std::string>;

struct Announcement {
  std::string name;
  std::uint16_t port;
  std::string map;
  friend bool operator==(const Announcement&, const Announcement&) = default;
};

// A reply from a hosting game: only bytes 6 and 7 matter here.
std::string ReplyWithPort(unsigned char high, unsigned char low) {
  std::string reply(60, '\0');
  reply[6] = static_cast<char>(high);
  reply[7] = static_cast<char>(low);
  return reply;
}

class PresenceTest : public ::testing::Test {
 protected:
  PresenceTest() {
    auto sender_owned = std::make_unique<FakeUdpSender>();
    sender = sender_owned.get();
    auto listener_owned = std::make_unique<FakeListener>();
    listener = listener_owned.get();
    presence = std::make_unique<Presence>(std::move(sender_owned), std::move(listener_owned),
                                          std::make_unique<FakeTimer>(), clock);
    OwnListing& own = presence->own_listing();
    own.Nickname = [this] { return nickname; };
    own.CurrentMapName = [this] { return map_name; };
    own.AddServer = [this](const std::string& name, std::uint16_t port, const std::string& map) {
      added.push_back({name, port, map});
    };
    own.DeleteServer = [this] { ++deleted; };
  }

  FakeClock clock;
  FakeUdpSender* sender = nullptr;
  FakeListener* listener = nullptr;
  std::unique_ptr<Presence> presence;
  std::string nickname = "Bob";
  std::string map_name = "Downtown";
  std::vector<Announcement> added;
  int deleted = 0;
};

TEST_F(PresenceTest, LocalAnswerAnnouncesTheHostedGame) {
  presence->AntwortserverClientRead("127.0.0.1", ReplyWithPort(0x08, 0xFC));
  EXPECT_EQ(added, (std::vector<Announcement>{{"Bob", 2300, "Downtown"}}));
  EXPECT_TRUE(presence->own_listing().ListingActive());
  EXPECT_EQ(presence->own_listing().ListingCountdown(), 5U);
}

TEST_F(PresenceTest, LocalAnswerTakesTheMapTextAsTheCatalogueGivesIt) {
  for (const std::string map : {"", "|error|", "bay area"}) {
    added.clear();
    map_name = map;
    presence->AntwortserverClientRead("127.0.0.1", ReplyWithPort(0x09, 0x01));
    EXPECT_EQ(added, (std::vector<Announcement>{{"Bob", 2305, map}})) << map;
  }
}

TEST_F(PresenceTest, ShortLocalAnswerAnnouncesPortZero) {
  presence->AntwortserverClientRead("127.0.0.1", std::string("\0\0\0\0\2\0", 6));
  ASSERT_EQ(added.size(), 1U);
  EXPECT_EQ(added[0].port, 0);
}

TEST_F(PresenceTest, LocalAnswerNeverTouchesTheListEvenWhenTheOwnAddressIsListed) {
  presence->game_list().HandleServerList({"Me", "Other"}, {"x", "y"}, {"127.0.0.1", "10.0.0.2"});
  const Lines before = presence->game_list().ListBox1();
  clock.Advance(50);
  presence->AntwortserverClientRead("127.0.0.1", ReplyWithPort(0x08, 0xFC));
  EXPECT_EQ(presence->game_list().ListBox1(), before);
  EXPECT_EQ(added.size(), 1U);
}

TEST_F(PresenceTest, AnswerFromAListedServerTimesItAndAnnouncesNothing) {
  presence->game_list().HandleServerList({"Name"}, {"Map"}, {"10.0.0.2"});
  clock.Advance(87);
  presence->AntwortserverClientRead("10.0.0.2", ReplyWithPort(0x08, 0xFC));
  EXPECT_EQ(presence->game_list().ListBox1(), (Lines{"[87ms] Name:Map"}));
  EXPECT_TRUE(added.empty());
  EXPECT_FALSE(presence->own_listing().ListingActive());
}

TEST_F(PresenceTest, FourTicksKeepTheListingAndTheFifthWithdrawsIt) {
  presence->AntwortserverClientRead("127.0.0.1", ReplyWithPort(0x08, 0xFC));
  OwnListing& own = presence->own_listing();
  for (unsigned tick = 1; tick <= 4; ++tick) {
    own.Tick();
    EXPECT_TRUE(own.ListingActive()) << "tick " << tick;
    EXPECT_EQ(own.ListingCountdown(), 5U - tick);
  }
  EXPECT_EQ(deleted, 0);
  own.Tick();
  EXPECT_FALSE(own.ListingActive());
  EXPECT_EQ(deleted, 1);
  for (int tick = 0; tick < 3; ++tick) own.Tick();
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(own.ListingCountdown(), 0U);
}

TEST_F(PresenceTest, EveryLocalAnswerRestartsTheCountdown) {
  OwnListing& own = presence->own_listing();
  presence->AntwortserverClientRead("127.0.0.1", ReplyWithPort(0x08, 0xFC));
  own.Tick();
  own.Tick();
  own.Tick();
  presence->AntwortserverClientRead("127.0.0.1", ReplyWithPort(0x08, 0xFC));
  EXPECT_EQ(own.ListingCountdown(), 5U);
  for (int tick = 0; tick < 4; ++tick) own.Tick();
  EXPECT_EQ(deleted, 0);
  own.Tick();
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(added.size(), 2U);
}

TEST_F(PresenceTest, TicksWithoutAListingWithdrawNothing) {
  for (int tick = 0; tick < 10; ++tick) presence->own_listing().Tick();
  EXPECT_EQ(deleted, 0);
}

TEST_F(PresenceTest, OwnMachinePingGoesTo127001) {
  EXPECT_TRUE(presence->PingOwnMachine());
  ASSERT_EQ(sender->sent.size(), 1U);
  EXPECT_EQ(sender->sent[0].host, "127.0.0.1");
  EXPECT_EQ(sender->sent[0].port, 47624);
  EXPECT_EQ(presence->game_list().RequestsSent(), 0U);
}

TEST_F(PresenceTest, AnswersArriveThroughTheAnswerServer) {
  ASSERT_TRUE(presence->Antwortserver().Activate());
  EXPECT_EQ(listener->listening_port, 2300);
  presence->game_list().HandleServerList({"Name"}, {"Map"}, {"10.0.0.2"});
  clock.Advance(33);
  FakeTcpConnection* remote = listener->Connect("10.0.0.2");
  FakeTcpConnection* local = listener->Connect("127.0.0.1");
  remote->Deliver(ReplyWithPort(0x08, 0xFC));
  local->Deliver(ReplyWithPort(0x08, 0xFD));
  EXPECT_EQ(presence->game_list().ListBox1(), (Lines{"[33ms] Name:Map"}));
  EXPECT_EQ(added, (std::vector<Announcement>{{"Bob", 2301, "Downtown"}}));
}

TEST_F(PresenceTest, AnAnswerIsTimedWhenTheSystemReceivedIt) {
  ASSERT_TRUE(presence->Antwortserver().Activate());
  presence->game_list().HandleServerList({"A", "B", "C", "D"}, {"m", "m", "m", "m"},
                                         {"10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5"});
  const std::int64_t sent_us = clock.MonotonicUs();
  struct Case {
    const char* peer;
    std::optional<std::int64_t> arrival_us;  // from the request, as the platform stamped it
    const char* line;
  };
  // The event loop reads every answer 40 ms after the requests left.
  const Case cases[] = {
      {"10.0.0.2", 12400, "[12ms] A:m"},  // the system's stamp counts, not the reading
      {"10.0.0.3", std::nullopt, "[40ms] B:m"},  // no stamp: the time of reading
      {"10.0.0.4", -3000, "[*]C:m"},  // received before its request left: an older list's answer
      {"10.0.0.5", 39600, "[40ms] D:m"},
  };
  clock.Advance(40);
  for (const Case& c : cases) {
    FakeTcpConnection* answer = listener->Connect(c.peer);
    if (c.arrival_us) answer->arrival_us = sent_us + *c.arrival_us;
    answer->Deliver(ReplyWithPort(0x08, 0xFC));
  }
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(presence->game_list().ListBox1()[i], cases[i].line) << cases[i].peer;
  }
  // A stamp is used for the bytes it belongs to only: a second piece on the
  // same connection, and a direct call, are timed when they are read.
  FakeTcpConnection* pieces = listener->Connect("10.0.0.2");
  pieces->arrival_us = sent_us + 5000;
  pieces->Deliver("x");
  EXPECT_EQ(presence->game_list().ListBox1()[0], "[5ms] A:m");
  pieces->Deliver("y");
  EXPECT_EQ(presence->game_list().ListBox1()[0], "[40ms] A:m");
  EXPECT_FALSE(presence->Antwortserver().ArrivalUs().has_value());
}

}  // namespace
}  // namespace lobbyfind::presence
