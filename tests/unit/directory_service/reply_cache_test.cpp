// The rendered replies the service keeps: SERVERS is read from the store
// only when the list a lobby would see has changed, VERSION and NEWS never.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "directory/wire_names.h"
#include "directory_service.h"
#include "memory_entry_store.h"
#include "reply_document.h"

namespace lobbyfind::directory_service {
namespace {

const std::string kQueryStart = std::string(directory::wire::kScriptPath) + "?";

// Counts how often the list is read, i.e. rendered.
class CountingStore final : public EntryStore {
 public:
  std::optional<ServerEntry> Find(const std::string& ip, int port) override { return inner.Find(ip, port); }
  void Put(const ServerEntry& entry) override { inner.Put(entry); }
  std::size_t RemoveByIp(const std::string& ip) override { return inner.RemoveByIp(ip); }
  std::size_t RemoveUpdatedBefore(std::int64_t ms) override { return inner.RemoveUpdatedBefore(ms); }
  std::size_t CountByIp(const std::string& ip) override { return inner.CountByIp(ip); }
  std::size_t Count() override { return inner.Count(); }
  std::vector<ServerEntry> UpdatedSince(std::int64_t ms) override {
    ++reads;
    return inner.UpdatedSince(ms);
  }

  MemoryEntryStore inner;
  std::atomic<int> reads = 0;
};

class ReplyCacheTest : public ::testing::Test {
 protected:
  ReplyCacheTest() {
    ServiceLimits limits;
    limits.rate_per_second = 0;
    limits.max_per_ip = 1;
    service_ = std::make_unique<DirectoryService>(store_, ServiceConfig{}, limits);
  }
  ServiceReply Get(const std::string& query, std::int64_t now, const std::string& client = "10.0.0.1") {
    return service_->Handle({client, kQueryStart + query, now});
  }
  std::string Servers(std::int64_t now) { return Get("GIVEME=SERVERS", now).Body(); }

  CountingStore store_;
  std::unique_ptr<DirectoryService> service_;
};

TEST_F(ReplyCacheTest, ServerListIsReadAgainOnlyWhenWhatALobbySeesChanges) {
  const struct {
    const char* what;
    const char* query;  // sent from 10.0.0.1 before the list is asked for; empty: nothing
    std::int64_t now;
    bool read_again;
  } steps[] = {
      {"first request", "", 1000, true},
      {"same list", "", 1100, false},
      {"new game", "GIVEME=ADDSERVER&SERVERNAME=A&PORT=1", 1200, true},
      {"refresh within the shown second", "GIVEME=ADDSERVER&SERVERNAME=A&PORT=1", 1900, false},
      {"refresh in a new second", "GIVEME=ADDSERVER&SERVERNAME=A&PORT=1", 2000, true},
      {"renamed", "GIVEME=ADDSERVER&SERVERNAME=B&PORT=1", 2100, true},
      {"refused by the cap", "GIVEME=ADDSERVER&SERVERNAME=C&PORT=2", 2200, false},
      {"bad request", "GIVEME=ADDSERVER&PORT=x", 2300, false},
      {"withdrawn", "GIVEME=DELSERVER", 2400, true},
      {"nothing left to withdraw", "GIVEME=DELSERVER", 2500, false},
  };
  for (const auto& step : steps) {
    if (*step.query != '\0') (void)Get(step.query, step.now);
    const int before = store_.reads;
    const std::string body = Servers(step.now);
    EXPECT_EQ(store_.reads - before, step.read_again ? 1 : 0) << step.what;
    EXPECT_EQ(body, ServersDocument(store_.inner.UpdatedSince(step.now - 30000))) << step.what;
  }
}

TEST_F(ReplyCacheTest, ListIsReadAgainWhenItsOldestEntryExpiresOrAnotherInstanceChangedIt) {
  (void)Get("GIVEME=ADDSERVER&SERVERNAME=Early&PORT=1", 0, "10.0.0.1");
  (void)Get("GIVEME=ADDSERVER&SERVERNAME=Late&PORT=1", 10000, "10.0.0.2");
  EXPECT_NE(Servers(10000).find("Early"), std::string::npos);
  const int reads = store_.reads;
  EXPECT_NE(Servers(30000).find("Early"), std::string::npos);  // exactly the time-to-live
  EXPECT_EQ(store_.reads, reads);
  EXPECT_EQ(Servers(30001).find("Early"), std::string::npos);
  EXPECT_EQ(store_.reads, reads + 1);

  // A change the service did not make itself is seen only once it is told.
  store_.inner.Put({"10.0.0.3", 1, "Elsewhere", "", "", 30001, 30001});
  EXPECT_EQ(Servers(30002).find("Elsewhere"), std::string::npos);
  service_->ListChanged();
  EXPECT_NE(Servers(30002).find("Elsewhere"), std::string::npos);
}

TEST_F(ReplyCacheTest, ReadersNeverSeeTheListGoBackWhileGamesAreAnnounced) {
  ServiceLimits limits;
  limits.rate_per_second = 0;
  DirectoryService service(store_, ServiceConfig{}, limits);
  std::atomic<bool> done = false;
  std::atomic<int> went_back = 0;
  std::vector<std::thread> readers;
  for (int r = 0; r < 4; ++r) {
    readers.emplace_back([&] {
      std::size_t last = 0;
      while (!done) {
        const std::string body = service.Handle({"10.0.0.9", kQueryStart + "GIVEME=SERVERS", 1000}).Body();
        const auto listed = static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n')) - 1;
        if (listed < last) ++went_back;
        last = listed;
      }
    });
  }
  for (int i = 1; i <= 200; ++i) {
    EXPECT_EQ(
        service.Handle({"10.0.2." + std::to_string(i), kQueryStart + "GIVEME=ADDSERVER&PORT=1", 1000}).status,
        200);
  }
  done = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(went_back, 0);
  EXPECT_EQ(service.Handle({"10.0.0.9", kQueryStart + "GIVEME=SERVERS", 1000}).Body(),
            ServersDocument(store_.inner.UpdatedSince(0)));
}

// Holds every Put until released, as a store busy with a slow write would.
class StallingStore final : public EntryStore {
 public:
  std::optional<ServerEntry> Find(const std::string& ip, int port) override { return inner.Find(ip, port); }
  void Put(const ServerEntry& entry) override {
    entered.set_value();
    released.get_future().wait();
    inner.Put(entry);
  }
  std::size_t RemoveByIp(const std::string& ip) override { return inner.RemoveByIp(ip); }
  std::size_t RemoveUpdatedBefore(std::int64_t ms) override { return inner.RemoveUpdatedBefore(ms); }
  std::size_t CountByIp(const std::string& ip) override { return inner.CountByIp(ip); }
  std::size_t Count() override { return inner.Count(); }
  std::vector<ServerEntry> UpdatedSince(std::int64_t ms) override { return inner.UpdatedSince(ms); }

  MemoryEntryStore inner;
  std::promise<void> entered, released;
};

TEST(ReplyCache, ListIsServedWhileTheStoreIsBusyWithAWrite) {
  StallingStore store;
  store.inner.Put({"10.0.0.2", 1, "Listed", "", "", 1000, 1000});
  ServiceLimits limits;
  limits.rate_per_second = 0;
  DirectoryService service(store, ServiceConfig{}, limits);
  const auto servers = [&] { return service.Handle({"10.0.0.9", kQueryStart + "GIVEME=SERVERS", 1000}).Body(); };
  const std::string before = servers();

  auto writer = std::async(std::launch::async, [&] {
    return service.Handle({"10.0.0.1", kQueryStart + "GIVEME=ADDSERVER&PORT=1", 1000}).status;
  });
  store.entered.get_future().wait();
  // The write holds the store; the list must not wait for it.
  auto reader = std::async(std::launch::async, servers);
  const bool answered = reader.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  store.released.set_value();
  ASSERT_TRUE(answered);
  EXPECT_EQ(reader.get(), before);
  EXPECT_EQ(writer.get(), 200);
  EXPECT_NE(servers(), before);
}

TEST(VersionReplies, EveryLobbyVersionGetsTheChangesNewerThanItself) {
  ServiceConfig config;
  config.current_version = 10;
  config.update_url = "http://example.org/";
  config.changes = {
      {9, "t9", "Nine"}, {std::nullopt, "t", "Always"}, {5, "t5", "Five"}, {9, "t9b", "Nine again"}};
  ServiceLimits limits;
  limits.rate_per_second = 0;
  MemoryEntryStore store;
  DirectoryService service(store, config, limits);
  const auto version = [&](int mine) {
    return service.Handle({"10.0.0.1", kQueryStart + "GIVEME=VERSION&MEINEVERSION=" + std::to_string(mine), 0})
        .Body();
  };
  const auto& c = config.changes;
  for (const int mine : {-3, 4})
    EXPECT_EQ(version(mine), VersionDocument(false, config.update_url, c)) << mine;
  for (const int mine : {5, 8}) {
    EXPECT_EQ(version(mine), VersionDocument(false, config.update_url, {c[0], c[1], c[3]})) << mine;
  }
  EXPECT_EQ(version(9), VersionDocument(false, config.update_url, {c[1]}));
  for (const int mine : {10, 11})
    EXPECT_EQ(version(mine), VersionDocument(true, config.update_url, {})) << mine;
}

}  // namespace
}  // namespace lobbyfind::directory_service
