#include "presence/answer_server.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/fake_ports.h"

namespace lobbyfind::presence {
namespace {

using namespace lobbyfind::test;

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
      sweep->Tick();
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
  FakeTcpConnection* a = listener->Connect("10.0.0.5");
  FakeTcpConnection* b = listener->Connect("");
  a->Deliver("first");
  b->Deliver("second");
  a->Deliver("third");
  ASSERT_EQ(arrivals.size(), 3U);
  EXPECT_EQ(arrivals[0].peer, "10.0.0.5");
  EXPECT_EQ(arrivals[0].bytes, "first");
  EXPECT_EQ(arrivals[1].peer, "0.0.0.0") << "unknown peer";
  EXPECT_EQ(arrivals[2].bytes, "third");
  EXPECT_TRUE(a->written().empty());
  EXPECT_TRUE(b->written().empty());
}

TEST_F(AnswerServerTest, UsesAtMost3001BytesOfOneArrival) {
  ASSERT_TRUE(server->Activate());
  FakeTcpConnection* a = listener->Connect("10.0.0.5");
  const std::string big = std::string(3001, 'a') + std::string(500, 'b');
  a->Deliver(big);
  a->Deliver("next");
  ASSERT_EQ(arrivals.size(), 2U);
  EXPECT_EQ(arrivals[0].bytes, std::string(3001, 'a'));
  EXPECT_EQ(arrivals[1].bytes, "next");
}

TEST_F(AnswerServerTest, KeepsAtMost64ConnectionsClosingTheOldest) {
  ASSERT_TRUE(server->Activate());
  std::vector<FakeTcpConnection*> connections;
  std::vector<std::shared_ptr<ConnectionRecord>> records;
  for (int i = 0; i < 66; ++i) {
    connections.push_back(listener->Connect("10.0.0." + std::to_string(i)));
    records.push_back(connections.back()->record());
  }
  EXPECT_EQ(server->OpenConnections(), 64U);
  EXPECT_TRUE(records[0]->destroyed);
  EXPECT_TRUE(records[1]->destroyed);
  EXPECT_FALSE(records[2]->destroyed);
  EXPECT_FALSE(records[65]->destroyed);
  connections[2]->Deliver("still served");
  ASSERT_EQ(arrivals.size(), 1U);
  EXPECT_EQ(arrivals[0].peer, "10.0.0.2");
}

TEST_F(AnswerServerTest, ClosesAConnectionAfterTenSecondsWithoutData) {
  ASSERT_TRUE(server->Activate());
  FakeTcpConnection* quiet = listener->Connect("10.0.0.1");
  FakeTcpConnection* talking = listener->Connect("10.0.0.2");
  auto quiet_record = quiet->record();
  auto talking_record = talking->record();
  EXPECT_TRUE(sweep->Enabled());
  RunFor(5000);
  talking->Deliver("x");
  RunFor(4000);
  EXPECT_FALSE(quiet_record->destroyed) << "9 s without data";
  RunFor(1000);
  EXPECT_TRUE(quiet_record->destroyed) << "10 s without data";
  EXPECT_FALSE(talking_record->destroyed);
  RunFor(5000);
  EXPECT_TRUE(talking_record->destroyed);
  EXPECT_EQ(server->OpenConnections(), 0U);
  EXPECT_FALSE(sweep->Enabled()) << "nothing left to watch";
}

TEST_F(AnswerServerTest, ConnectionClosedByItsPeerIsReleasedOnlyAfterItsNotification) {
  ASSERT_TRUE(server->Activate());
  FakeTcpConnection* a = listener->Connect("10.0.0.1");
  auto record = a->record();
  EXPECT_TRUE(a->PeerCloses()) << "destroyed inside its own notification";
  EXPECT_EQ(server->OpenConnections(), 0U);
  listener->Connect("10.0.0.2");  // the next outside event releases it
  EXPECT_TRUE(record->destroyed);
}

TEST_F(AnswerServerTest, HandlerThatDeactivatesInsideAnArrivalIsSafe) {
  ASSERT_TRUE(server->Activate());
  FakeTcpConnection* a = listener->Connect("10.0.0.1");
  auto record = a->record();
  server->OnAnswer = [this](const std::string&, std::string_view) { server->Deactivate(); };
  EXPECT_TRUE(a->Deliver("bye"));
  EXPECT_TRUE(a->closed());
  EXPECT_FALSE(server->Active());
  ASSERT_TRUE(server->Activate());
  EXPECT_TRUE(record->destroyed);
}

TEST_F(AnswerServerTest, AThrowingHandlerIsReportedOnceAndTheServerGoesOn) {
  ASSERT_TRUE(server->Activate());
  std::vector<std::string> failures;
  server->OnAnswerFailed = [&failures](const std::string& reason) { failures.push_back(reason); };
  bool failing = true;
  server->OnAnswer = [&](const std::string& peer, std::string_view bytes) {
    if (failing && bytes == "odd") throw 42;
    if (failing) throw std::runtime_error("no map name");
    arrivals.push_back({peer, std::string(bytes)});
  };
  FakeTcpConnection* host = listener->Connect("127.0.0.1");
  auto host_record = host->record();
  EXPECT_NO_THROW(host->Deliver("a"));
  EXPECT_NO_THROW(host->Deliver("b"));
  EXPECT_NO_THROW(host->Deliver("odd"));
  EXPECT_EQ(failures, (std::vector<std::string>{"no map name", "unknown failure"})) << "a repeat is not raised";

  // The failures left no notification counted as running: a closed
  // connection is still released by the next outside event.
  EXPECT_TRUE(host->PeerCloses());
  listener->Connect("10.0.0.2");
  EXPECT_TRUE(host_record->destroyed);

  failing = false;
  listener->Connect("127.0.0.1")->Deliver("served");
  ASSERT_EQ(arrivals.size(), 1U);
  EXPECT_EQ(arrivals[0].bytes, "served");
}

TEST_F(AnswerServerTest, DeactivateStopsListeningAndClosesEveryConnection) {
  ASSERT_TRUE(server->Activate());
  std::vector<std::shared_ptr<ConnectionRecord>> records;
  for (int i = 0; i < 3; ++i) records.push_back(listener->Connect("10.0.0.9")->record());
  server->Deactivate();
  EXPECT_FALSE(listener->listening);
  EXPECT_EQ(server->OpenConnections(), 0U);
  for (const auto& a : records) EXPECT_TRUE(a->destroyed);
}

}  // namespace
}  // namespace lobbyfind::presence
