// Every store keeps the same promises; the SQLite one also across
// reopening. The Redis store runs them against a real redis-server.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <type_traits>

#include "directory_server_support.h"
#include "memory_entry_store.h"
#include "redis_entry_store.h"
#include "redis_server_support.h"
#include "sqlite_entry_store.h"

namespace lobbyfind::directory_service {
namespace {

template <typename Store>
std::unique_ptr<EntryStore> MakeStore();
template <>
std::unique_ptr<EntryStore> MakeStore<MemoryEntryStore>() {
  return std::make_unique<MemoryEntryStore>();
}
template <>
std::unique_ptr<EntryStore> MakeStore<SqliteEntryStore>() {
  return std::make_unique<SqliteEntryStore>(":memory:");
}

template <>
std::unique_ptr<EntryStore> MakeStore<RedisEntryStore>() {
  // One server for the whole test program, emptied for each test.
  static testing::TempDir dir;
  static testing::RedisServer server(dir.Path(), false);
  server.Flush();
  return std::make_unique<RedisEntryStore>(RedisAddress{"127.0.0.1", server.Port(), 0}, 60000);
}

template <typename Store>
class EntryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if constexpr (std::is_same_v<Store, RedisEntryStore>) LOBBYFIND_REQUIRE_REDIS();
    store_ = MakeStore<Store>();
  }
  std::unique_ptr<EntryStore> store_;
};

using Stores = ::testing::Types<MemoryEntryStore, SqliteEntryStore, RedisEntryStore>;
TYPED_TEST_SUITE(EntryStoreTest, Stores);

TYPED_TEST(EntryStoreTest, KeepsFindsReplacesAndRemoves) {
  EntryStore& s = *this->store_;
  const ServerEntry a{"10.0.0.1", 2300, "A", "Downtown", "4", 100, 100};
  const ServerEntry b{"10.0.0.1", 2301, "B", "", "4", 50, 200};
  const ServerEntry c{"10.0.0.2", 2300, std::string("M\xE4rz\0x", 6), "m", "", 300, 300};
  s.Put(a);
  s.Put(b);
  s.Put(c);
  EXPECT_EQ(s.Find("10.0.0.1", 2300), a);
  EXPECT_EQ(s.Find("10.0.0.2", 2300), c);  // bytes kept exactly, NUL and 8-bit included
  EXPECT_EQ(s.Find("10.0.0.2", 2301), std::nullopt);
  EXPECT_EQ(s.Count(), 3u);
  EXPECT_EQ(s.CountByIp("10.0.0.1"), 2u);
  EXPECT_EQ(s.UpdatedSince(0), (std::vector<ServerEntry>{b, a, c}));  // first announced first
  EXPECT_EQ(s.UpdatedSince(150), (std::vector<ServerEntry>{b, c}));

  ServerEntry a2 = a;
  a2.servername = "A2";
  a2.lastupdate_ms = 400;
  s.Put(a2);
  EXPECT_EQ(s.Count(), 3u);
  EXPECT_EQ(s.Find("10.0.0.1", 2300), a2);

  EXPECT_EQ(s.RemoveUpdatedBefore(250), 1u);  // b
  EXPECT_EQ(s.RemoveByIp("10.0.0.1"), 1u);    // a2
  EXPECT_EQ(s.RemoveByIp("10.0.0.9"), 0u);
  EXPECT_EQ(s.UpdatedSince(0), std::vector<ServerEntry>{c});
}

TYPED_TEST(EntryStoreTest, AnnounceDropsExpiredKeepsThePlaceAndHoldsTheCaps) {
  EntryStore& s = *this->store_;
  const AnnounceLimits limits{2, 3, 1000};
  s.Put({"10.0.0.9", 1, "Old", "", "", 10, 999});  // expires on the next announcement
  const ServerEntry a{"10.0.0.1", 1, "A", "m", "4", 2000, 2000};
  auto result = s.Announce(a, limits);
  EXPECT_EQ(result.outcome, AnnounceOutcome::kStored);
  EXPECT_EQ(result.expired, 1u);
  EXPECT_EQ(result.previous, std::nullopt);

  ServerEntry refreshed{"10.0.0.1", 1, "A2", "m", "4", 3000, 3000};
  result = s.Announce(refreshed, limits);
  EXPECT_EQ(result.outcome, AnnounceOutcome::kStored);
  EXPECT_EQ(result.previous, a);
  refreshed.created_ms = a.created_ms;  // a refresh keeps its place
  EXPECT_EQ(s.Find("10.0.0.1", 1), refreshed);

  EXPECT_EQ(s.Announce({"10.0.0.1", 2, "B", "", "", 3100, 3100}, limits).outcome, AnnounceOutcome::kStored);
  EXPECT_EQ(s.Announce({"10.0.0.1", 3, "C", "", "", 3200, 3200}, limits).outcome,
            AnnounceOutcome::kAddressFull);
  EXPECT_EQ(s.Announce({"10.0.0.2", 1, "D", "", "", 3300, 3300}, limits).outcome, AnnounceOutcome::kStored);
  EXPECT_EQ(s.Announce({"10.0.0.3", 1, "E", "", "", 3400, 3400}, limits).outcome,
            AnnounceOutcome::kDirectoryFull);
  EXPECT_EQ(s.Announce({"10.0.0.1", 2, "B2", "", "", 3500, 3500}, limits).outcome, AnnounceOutcome::kStored);
  const auto listed = s.UpdatedSince(0);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].servername, "A2");
  EXPECT_EQ(listed[1].servername, "B2");
  EXPECT_EQ(listed[2].servername, "D");
}

// Two instances are two stores on one Redis; announcements from one address
// reaching both at once must not slip past its cap between check and store.
TEST(RedisEntryStore, TheCapHoldsWhenTwoStoresAnnounceAtOnce) {
  LOBBYFIND_REQUIRE_REDIS();
  testing::TempDir dir;
  testing::RedisServer server(dir.Path(), false);
  constexpr int kAddresses = 100;
  constexpr std::size_t kCap = 3;
  std::barrier next_address(2);
  std::atomic<std::size_t> stored = 0;
  const auto announce = [&](int first_port) {
    RedisEntryStore store({"127.0.0.1", server.Port(), 0}, 60000);
    for (int a = 0; a < kAddresses; ++a) {
      next_address.arrive_and_wait();
      for (int port = first_port; port < first_port + 4; ++port) {
        const ServerEntry e{"10.0.1." + std::to_string(a), port, "", "", "", 1000, 1000};
        stored += store.Announce(e, {kCap, 100000, 0}).outcome == AnnounceOutcome::kStored;
      }
    }
  };
  std::thread other(announce, 100);
  announce(200);
  other.join();
  EXPECT_EQ(stored, kAddresses * kCap);
  RedisEntryStore store({"127.0.0.1", server.Port(), 0}, 60000);
  EXPECT_EQ(store.Count(), kAddresses * kCap);
}

TEST(SqliteEntryStore, FileDatabaseUsesWalAndSurvivesReopening) {
  testing::TempDir dir;
  const ServerEntry e{"10.0.0.1", 2300, "Kept", "Map", "4", 1, 2};
  {
    SqliteEntryStore store(dir.File("d.db"));
    EXPECT_EQ(store.JournalMode(), "wal");
    store.Put(e);
  }
  SqliteEntryStore again(dir.File("d.db"));
  EXPECT_EQ(again.UpdatedSince(0), std::vector<ServerEntry>{e});
  EXPECT_EQ(SqliteEntryStore(":memory:").JournalMode(), "memory");
}

TEST(SqliteEntryStore, UnopenableDatabaseIsAnError) {
  EXPECT_THROW(SqliteEntryStore("/nonexistent-dir/sub/d.db"), StoreError);
}

}  // namespace
}  // namespace lobbyfind::directory_service
