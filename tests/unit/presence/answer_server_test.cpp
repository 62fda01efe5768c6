#include "presence/answer_server.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lobbyfind::presence {
namespace {

using namespace lobbyfind::presence::testing;

struct Arrival {
  std::string peer;
  std::string bytes;
};

class AnswerServerTest : public ::testing::Test {
 protected:
  AnswerServerTest() {
    auto listener_owned = std::make_unique<FakeListener>();
    listener = listener_owned.get();
    auto timer_owned = std::make_unique<FakeTimer>();
    sweep = timer_owned.get();
    server = std::make_unique<AnswerServer>(std::move(listener_owned), std::move(timer_owned), clock);
    server->OnAnswer = [this](const std::string& peer, std::string_view bytes) {
      arrivals.push_back({peer, std::string(bytes)});
    };
  }

  // Lets the sweep timer run for `ms`, one tick a second.
  void RunFor(std::int64_t ms) {
    for (std::int64_t t = 0; t < ms; t += 1000) {
      clock.Advance(1000);
      sweep->Fire();
    }
  }

  FakeClock clock;
  FakeListener* listener = nullptr;
  FakeTimer* sweep = nullptr;
  std::unique_ptr<AnswerServer> server;
  std::vector<Arrival> arrivals;
};

TEST_F(AnswerServerTest, OpensOnPort2300AndRetriesAfterAFailure) {
  listener->refuse = true;
  EXPECT_FALSE(server->Activate());
  EXPECT_FALSE(server->Active());
  listener->refuse = false;
  EXPECT_TRUE(server->Activate());
  EXPECT_TRUE(server->Active());
  EXPECT_EQ(listener->listening_port, 2300);
  EXPECT_TRUE(server->Activate());
  EXPECT_EQ(listener->listen_calls, 2) << "an open listener is not opened again";
}

TEST_F(AnswerServerTest, HandsOnEachArrivalWithItsPeerAndNeverWrites) {
  ASSERT_TRUE(server->Activate());
  FakeConnection* a = listener->Connect("10.0.0.5");
  FakeConnection* b = listener->Connect("");
  a->Deliver("first");
  b->Deliver("second");
  a->Deliver("third");
  ASSERT_EQ(arrivals.size(), 3U);
  EXPECT_EQ(arrivals[0].peer, "10.0.0.5");
  EXPECT_EQ(arrivals[0].bytes, "first");
  EXPECT_EQ(arrivals[1].peer, "0.0.0.0") << "unknown peer";
  EXPECT_EQ(arrivals[2].bytes, "third");
  EXPECT_TRUE(a->written.empty());
  EXPECT_TRUE(b->written.empty());
}

TEST_F(AnswerServerTest, UsesAtMost3001BytesOfOneArrival) {
  ASSERT_TRUE(server->Activate());
  FakeConnection* a = listener->Connect("10.0.0.5");
  const std::string big = std::string(3001, 'a') + std::string(500, 'b');
  a->Deliver(big);
  a->Deliver("next");
  ASSERT_EQ(arrivals.size(), 2U);
  EXPECT_EQ(arrivals[0].bytes, std::string(3001, 'a'));
  EXPECT_EQ(arrivals[1].bytes, "next");
}

TEST_F(AnswerServerTest, KeepsAtMost64ConnectionsClosingTheOldest) {
  ASSERT_TRUE(server->Activate());
  std::vector<FakeConnection*> connections;
  std::vector<std::shared_ptr<bool>> alive;
  for (int i = 0; i < 66; ++i) {
    connections.push_back(listener->Connect("10.0.0." + std::to_string(i)));
    alive.push_back(connections.back()->alive);
  }
  EXPECT_EQ(server->OpenConnections(), 64U);
  EXPECT_FALSE(*alive[0]);
  EXPECT_FALSE(*alive[1]);
  EXPECT_TRUE(*alive[2]);
  EXPECT_TRUE(*alive[65]);
  connections[2]->Deliver("still served");
  ASSERT_EQ(arrivals.size(), 1U);
  EXPECT_EQ(arrivals[0].peer, "10.0.0.2");
}

TEST_F(AnswerServerTest, ClosesAConnectionAfterTenSecondsWithoutData) {
  ASSERT_TRUE(server->Activate());
  FakeConnection* quiet = listener->Connect("10.0.0.1");
  FakeConnection* talking = listener->Connect("10.0.0.2");
  auto quiet_alive = quiet->alive;
  auto talking_alive = talking->alive;
  EXPECT_TRUE(sweep->Enabled());
  RunFor(5000);
  talking->Deliver("x");
  RunFor(4000);
  EXPECT_TRUE(*quiet_alive) << "9 s without data";
  RunFor(1000);
  EXPECT_FALSE(*quiet_alive) << "10 s without data";
  EXPECT_TRUE(*talking_alive);
  RunFor(5000);
  EXPECT_FALSE(*talking_alive);
  EXPECT_EQ(server->OpenConnections(), 0U);
  EXPECT_FALSE(sweep->Enabled()) << "nothing left to watch";
}

TEST_F(AnswerServerTest, ConnectionClosedByItsPeerIsReleasedOnlyAfterItsNotification) {
  ASSERT_TRUE(server->Activate());
  FakeConnection* a = listener->Connect("10.0.0.1");
  auto alive = a->alive;
  EXPECT_TRUE(a->PeerCloses()) << "destroyed inside its own notification";
  EXPECT_EQ(server->OpenConnections(), 0U);
  listener->Connect("10.0.0.2");  // the next outside event releases it
  EXPECT_FALSE(*alive);
}

TEST_F(AnswerServerTest, HandlerThatDeactivatesInsideAnArrivalIsSafe) {
  ASSERT_TRUE(server->Activate());
  FakeConnection* a = listener->Connect("10.0.0.1");
  auto alive = a->alive;
  server->OnAnswer = [this](const std::string&, std::string_view) { server->Deactivate(); };
  EXPECT_TRUE(a->Deliver("bye"));
  EXPECT_TRUE(a->closed);
  EXPECT_FALSE(server->Active());
  ASSERT_TRUE(server->Activate());
  EXPECT_FALSE(*alive);
}

TEST_F(AnswerServerTest, DeactivateStopsListeningAndClosesEveryConnection) {
  ASSERT_TRUE(server->Activate());
  std::vector<std::shared_ptr<bool>> alive;
  for (int i = 0; i < 3; ++i) alive.push_back(listener->Connect("10.0.0.9")->alive);
  server->Deactivate();
  EXPECT_FALSE(listener->listening);
  EXPECT_EQ(server->OpenConnections(), 0U);
  for (const auto& a : alive) EXPECT_FALSE(*a);
}

}  // namespace
}  // namespace lobbyfind::presence
