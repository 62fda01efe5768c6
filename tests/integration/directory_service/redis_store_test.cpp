// Several real lobbyfind-directory programs on one real redis-server, as a
// community runs them behind a load balancer: one list, one set of caps,
// and 503 while Redis is away.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "directory_server_support.h"
#include "redis_server_support.h"

namespace lobbyfind::directory_service::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Changes reach the other instances through Redis within a second; the tests
// allow far more, so that a busy machine does not fail them.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

std::size_t Listed(const std::string& body) {
  std::size_t n = 0;
  for (auto at = body.find("<server>"); at != std::string::npos; at = body.find("<server>", at + 1)) ++n;
  return n;
}

class RedisStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { LOBBYFIND_REQUIRE_REDIS(); }

  // Starts Redis (`persistent`: with its append-only file) and `count`
  // instances on it, each with `args`. The tests poll the list from one
  // address, so the rate limit is off.
  void Start(int count, const std::vector<std::string>& args = {}, bool persistent = false) {
    redis_ = std::make_unique<RedisServer>(dir_.Path(), persistent);
    for (int i = 0; i < count; ++i) {
      std::vector<std::string> all = {"--store", redis_->Url(), "--rate", "0"};
      all.insert(all.end(), args.begin(), args.end());
      instances_.push_back(
          std::make_unique<DirectoryServer>(all, dir_.File("instance-" + std::to_string(i) + ".log")));
    }
  }
  [[nodiscard]] int Port(int instance) const {
    return instances_[static_cast<std::size_t>(instance)]->Port();
  }
  [[nodiscard]] std::string Servers(int instance) const {
    return LobbyGet(Port(instance), "GIVEME=SERVERS").body;
  }
  [[nodiscard]] int Announce(int instance, const std::string& source, int port,
                             const std::string& name = "") const {
    return LobbyGet(Port(instance), "GIVEME=ADDSERVER&PORT=" + std::to_string(port) + "&SERVERNAME=" + name,
                    source)
        .status;
  }

  TempDir dir_;
  std::unique_ptr<RedisServer> redis_;
  std::vector<std::unique_ptr<DirectoryServer>> instances_;
};

TEST_F(RedisStoreTest, InstancesSeeEachOthersAnnouncementsInFirstAnnouncedOrder) {
  Start(2);
  // Both have rendered (and cached) the empty list before anything changes.
  ASSERT_EQ(Servers(0), Servers(1));
  ASSERT_EQ(Announce(0, "127.0.0.2", 2300, "A"), 200);
  ASSERT_EQ(Announce(1, "127.0.0.3", 2300, "B"), 200);
  ASSERT_EQ(Announce(0, "127.0.0.4", 2300, "C"), 200);
  ASSERT_EQ(Announce(1, "127.0.0.2", 2300, "A2"),
            200);  // a refresh through the other instance keeps its place
  const auto in_order = [](const std::string& body) {
    const auto a = body.find(">A2<"), b = body.find(">B<"), c = body.find(">C<");
    return Listed(body) == 3 && a != std::string::npos && a < b && b < c && c != std::string::npos;
  };
  EXPECT_TRUE(Eventually([&] { return in_order(Servers(0)); })) << Servers(0);
  EXPECT_TRUE(Eventually([&] { return in_order(Servers(1)); })) << Servers(1);
  EXPECT_EQ(Servers(0), Servers(1));

  EXPECT_EQ(LobbyGet(Port(1), "GIVEME=DELSERVER", "127.0.0.3").status, 200);
  EXPECT_TRUE(Eventually([&] { return Servers(0).find(">B<") == std::string::npos; }));
  EXPECT_EQ(Listed(Servers(0)), 2u);
  for (auto& instance : instances_) EXPECT_EQ(instance->Stop(), 0) << instance->Log();
}

TEST_F(RedisStoreTest, AnEntryExpiresOnEveryInstance) {
  Start(2, {"--ttl", "1"});
  ASSERT_EQ(Announce(0, "127.0.0.2", 2300, "Brief"), 200);
  ASSERT_TRUE(Eventually([&] { return Listed(Servers(1)) == 1; }));
  EXPECT_TRUE(Eventually([&] { return Listed(Servers(0)) == 0 && Listed(Servers(1)) == 0; }));
  // Expired entries do not count against the address's cap on either instance.
  EXPECT_EQ(Announce(1, "127.0.0.2", 2301, "Next"), 200);
  EXPECT_TRUE(Eventually([&] { return Listed(Servers(0)) == 1; }));
}

TEST_F(RedisStoreTest, ThePerAddressCapHoldsAcrossInstances) {
  Start(2, {"--max-per-ip", "4"});
  // Two instances take new games from one address at the same time.
  std::atomic<int> stored = 0;
  std::vector<std::thread> senders;
  for (int instance = 0; instance < 2; ++instance) {
    senders.emplace_back([&, instance] {
      for (int i = 0; i < 10; ++i)
        stored += Announce(instance, "127.0.0.2", 3000 + instance * 100 + i) == 200;
    });
  }
  for (auto& t : senders) t.join();
  EXPECT_EQ(stored, 4);
  EXPECT_EQ(Announce(0, "127.0.0.2", 4000), 429);
  EXPECT_EQ(Announce(1, "127.0.0.2", 4001), 429);
  EXPECT_EQ(Announce(1, "127.0.0.3", 4000), 200);
  EXPECT_TRUE(Eventually([&] { return Listed(Servers(0)) == 5 && Listed(Servers(1)) == 5; }));
}

TEST_F(RedisStoreTest, RedisGoneGives503ThenRecoversWithNothingLost) {
  Start(2, {}, true);
  ASSERT_EQ(Announce(0, "127.0.0.2", 2300, "Survivor"), 200);
  ASSERT_TRUE(Eventually([&] { return Listed(Servers(1)) == 1; }));
  const std::string before = Servers(1);

  redis_->Kill();
  // The cached list is not served on once the instance has seen Redis go.
  EXPECT_TRUE(Eventually([&] { return LobbyGet(Port(1), "GIVEME=SERVERS").status == 503; }));
  const auto refused = LobbyGet(Port(0), "GIVEME=ADDSERVER&PORT=2301", "127.0.0.3");
  EXPECT_EQ(refused.status, 503);
  EXPECT_NE(refused.head.find("Retry-After:"), std::string::npos) << refused.head;
  EXPECT_EQ(LobbyGet(Port(0), "GIVEME=NEWS").status, 200);  // needs no store
  // Said once in the log, when the instance's watch (a poll every 200 ms)
  // first finds Redis gone: the outage lasts until then.
  EXPECT_TRUE(Eventually([&] { return instances_[0]->Log().find("answering 503") != std::string::npos; }))
      << instances_[0]->Log();

  redis_->Restart();
  EXPECT_TRUE(Eventually([&] { return LobbyGet(Port(0), "GIVEME=SERVERS").body == before; })) << Servers(0);
  EXPECT_TRUE(Eventually([&] { return LobbyGet(Port(1), "GIVEME=SERVERS").body == before; })) << Servers(1);
  EXPECT_EQ(Announce(0, "127.0.0.3", 2301, "After"), 200);
  EXPECT_TRUE(Eventually([&] { return Listed(Servers(1)) == 2; }));
}

}  // namespace
}  // namespace lobbyfind::directory_service::testing
