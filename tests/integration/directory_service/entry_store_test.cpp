// Both stores keep the same promises; the SQLite one also across reopening.
#include <gtest/gtest.h>

#include "directory_server_support.h"
#include "memory_entry_store.h"
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

template <typename Store>
class EntryStoreTest : public ::testing::Test {
 protected:
  std::unique_ptr<EntryStore> store_ = MakeStore<Store>();
};

using Stores = ::testing::Types<MemoryEntryStore, SqliteEntryStore>;
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
