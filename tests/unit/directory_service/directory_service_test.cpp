#include "directory_service.h"

#include <gtest/gtest.h>

#include "memory_entry_store.h"
#include "reply_document.h"

namespace lobbyfind::directory_service {
namespace {

const std::string kScript = "/Vexnet/lobbyfind/webinterface.php?";

class DirectoryServiceTest : public ::testing::Test {
 protected:
  DirectoryServiceTest() { Restart(Unthrottled()); }

  // Most cases send many requests from one address in no time at all.
  static ServiceLimits Unthrottled() {
    ServiceLimits limits;
    limits.rate_per_second = 0;
    return limits;
  }

  void Restart(ServiceLimits limits, ServiceConfig config = {}) {
    service_ = std::make_unique<DirectoryService>(store_, std::move(config), limits);
  }

  ServiceReply Get(const std::string& query, const std::string& client = "10.0.0.1", std::int64_t now = 1000) {
    return service_->Handle({client, kScript + query, now});
  }

  MemoryEntryStore store_;
  std::unique_ptr<DirectoryService> service_;
};

TEST_F(DirectoryServiceTest, AddServerStoresRequesterAddressAndDecodedFields) {
  const auto reply = Get("GIVEME=ADDSERVER&SERVERNAME=My+Game&PORT=2300&VERSION=4&MAP=a%26b", "10.0.0.9", 5000);
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.document);
  const std::vector<ServerEntry> expected = {{"10.0.0.9", 2300, "My Game", "a&b", "4", 5000, 5000}};
  EXPECT_EQ(store_.UpdatedSince(0), expected);
  EXPECT_EQ(Get("GIVEME=SERVERS", "10.0.0.1", 6000).Body(), ServersDocument(expected));
}

TEST_F(DirectoryServiceTest, MarkupAndControlBytesNeverReachTheReply) {
  const std::string long_map(100, 'm');
  ASSERT_EQ(Get("GIVEME=ADDSERVER&SERVERNAME=%3C%2Fservername%3E%3Cip%3E6.6.6.6%0D%0A&PORT=1&MAP=" + long_map +
                "&VERSION=%3C4%3E")
                .status,
            200);
  const auto entries = store_.UpdatedSince(0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].servername, "(/servername)(ip)6.6.6.6");
  EXPECT_EQ(entries[0].map, std::string(64, 'm'));
  EXPECT_EQ(entries[0].version, "(4)");
  const std::string body = Get("GIVEME=SERVERS").Body();
  EXPECT_EQ(body.find("<ip>6.6.6.6"), std::string::npos);
}

TEST_F(DirectoryServiceTest, BadRequestsGet400AndChangeNothing) {
  ASSERT_EQ(Get("GIVEME=ADDSERVER&SERVERNAME=Kept&PORT=2300").status, 200);
  const auto before = store_.UpdatedSince(0);
  const std::string too_long = "GIVEME=ADDSERVER&PORT=1&SERVERNAME=" + std::string(600, 'x');
  const char* cases[] = {
      "GIVEME=ADDSERVER&SERVERNAME=x",            // no port
      "GIVEME=ADDSERVER&PORT=",                   // empty port
      "GIVEME=ADDSERVER&PORT=23a",                // not a number
      "GIVEME=ADDSERVER&PORT=-1",
      "GIVEME=ADDSERVER&PORT=0",
      "GIVEME=ADDSERVER&PORT=65536",
      "GIVEME=ADDSERVER&PORT=+80",
      "GIVEME=ADDSERVER&PORT=99999999999999999999999",
      "GIVEME=ADDSERVER&PORT=2300&MAP=%zz",       // broken encoding
      "GIVEME=DROPTABLE",                         // unknown kind
      "GIVEME=servers",                           // kinds are case-sensitive
      "GIVEME=",
      "SERVERS",                                  // no GIVEME at all
      "",
      "GIVEME=VERSION",                           // no MEINEVERSION
      "GIVEME=VERSION&MEINEVERSION=four",
  };
  for (const char* query : cases) {
    const auto reply = Get(query, "10.0.0.1", 2000);
    EXPECT_EQ(reply.status, 400) << query;
    EXPECT_FALSE(reply.document) << query;
    EXPECT_FALSE(reply.Body().empty()) << query;
  }
  EXPECT_EQ(Get(too_long).status, 400);
  EXPECT_EQ(store_.UpdatedSince(0), before);
}

TEST_F(DirectoryServiceTest, OtherPathsAreNotFound) {
  EXPECT_EQ(service_->Handle({"10.0.0.1", "/", 0}).status, 404);
  EXPECT_EQ(service_->Handle({"10.0.0.1", "/Vexnet/lobbyfind/webinterface.php.bak?GIVEME=SERVERS", 0}).status, 404);
  EXPECT_EQ(service_->Handle({"10.0.0.1", "/Vexnet/lobbyfind/webinterface.php", 0}).status, 400);
}

TEST_F(DirectoryServiceTest, ListsOldestAnnouncementFirstAndRefreshKeepsPlace) {
  Get("GIVEME=ADDSERVER&SERVERNAME=First&PORT=2300", "10.0.0.1", 1000);
  Get("GIVEME=ADDSERVER&SERVERNAME=Second&PORT=2300", "10.0.0.2", 2000);
  Get("GIVEME=ADDSERVER&SERVERNAME=First+renamed&PORT=2300", "10.0.0.1", 3000);  // refresh
  const auto entries = store_.UpdatedSince(0);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].servername, "First renamed");
  EXPECT_EQ(entries[0].created_ms, 1000);
  EXPECT_EQ(entries[0].lastupdate_ms, 3000);
  EXPECT_EQ(entries[1].servername, "Second");
  const std::string body = Get("GIVEME=SERVERS", "10.0.0.3", 4000).Body();
  EXPECT_LT(body.find("First renamed"), body.find("Second"));
}

TEST_F(DirectoryServiceTest, EntriesExpireAfterTheTimeToLive) {
  Get("GIVEME=ADDSERVER&SERVERNAME=Early&PORT=1", "10.0.0.1", 0);
  Get("GIVEME=ADDSERVER&SERVERNAME=Late&PORT=1", "10.0.0.2", 10000);
  const auto listed = [&](std::int64_t now) {
    const std::string body = Get("GIVEME=SERVERS", "10.0.0.3", now).Body();
    return std::make_pair(body.find("Early") != std::string::npos, body.find("Late") != std::string::npos);
  };
  EXPECT_EQ(listed(30000), std::make_pair(true, true));   // exactly the TTL: still listed
  EXPECT_EQ(listed(30001), std::make_pair(false, true));  // a cached list must not outlive an entry
  EXPECT_EQ(listed(40001), std::make_pair(false, false));
  Get("GIVEME=ADDSERVER&SERVERNAME=New&PORT=1", "10.0.0.4", 40002);
  EXPECT_EQ(store_.Count(), 1u);  // expired rows are purged on the next write
}

TEST_F(DirectoryServiceTest, ServerListFollowsEveryChange) {
  EXPECT_EQ(Get("GIVEME=SERVERS").Body(), "<titel>SERVERS</titel>\n");
  Get("GIVEME=ADDSERVER&SERVERNAME=A&PORT=1");
  EXPECT_NE(Get("GIVEME=SERVERS").Body().find(">A<"), std::string::npos);
  Get("GIVEME=ADDSERVER&SERVERNAME=B&PORT=1");  // same key: renamed
  EXPECT_NE(Get("GIVEME=SERVERS").Body().find(">B<"), std::string::npos);
  Get("GIVEME=DELSERVER");
  EXPECT_EQ(Get("GIVEME=SERVERS").Body(), "<titel>SERVERS</titel>\n");
}

TEST_F(DirectoryServiceTest, DelServerRemovesOnlyTheRequestersEntries) {
  Get("GIVEME=ADDSERVER&PORT=2300", "10.0.0.1");
  Get("GIVEME=ADDSERVER&PORT=2301", "10.0.0.1");
  Get("GIVEME=ADDSERVER&PORT=2300", "10.0.0.2");
  const auto reply = Get("GIVEME=DELSERVER", "10.0.0.1");
  EXPECT_EQ(reply.status, 200);
  const auto entries = store_.UpdatedSince(0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].ip, "10.0.0.2");
  EXPECT_EQ(Get("GIVEME=DELSERVER", "10.0.0.7").status, 200);  // nothing to remove is no error
}

TEST_F(DirectoryServiceTest, CapsEntriesPerAddressAndInAll) {
  ServiceLimits limits = Unthrottled();
  limits.max_per_ip = 2;
  limits.max_entries = 3;
  Restart(limits);
  EXPECT_EQ(Get("GIVEME=ADDSERVER&PORT=1", "10.0.0.1").status, 200);
  EXPECT_EQ(Get("GIVEME=ADDSERVER&PORT=2", "10.0.0.1").status, 200);
  EXPECT_EQ(Get("GIVEME=ADDSERVER&PORT=3", "10.0.0.1").status, 429);
  EXPECT_EQ(Get("GIVEME=ADDSERVER&SERVERNAME=again&PORT=2", "10.0.0.1").status, 200);  // refresh is fine
  EXPECT_EQ(Get("GIVEME=ADDSERVER&PORT=1", "10.0.0.2").status, 200);
  EXPECT_EQ(Get("GIVEME=ADDSERVER&PORT=1", "10.0.0.3").status, 503);
  EXPECT_EQ(store_.Count(), 3u);
  // Expired entries do not count against the caps.
  EXPECT_EQ(Get("GIVEME=ADDSERVER&PORT=1", "10.0.0.3", 1000 + 30001).status, 200);
}

TEST_F(DirectoryServiceTest, RateLimitRefusesFloodsPerAddress) {
  ServiceLimits limits;
  limits.rate_per_second = 1;
  limits.rate_burst = 3;
  Restart(limits);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Get("GIVEME=SERVERS", "10.0.0.1", 0).status, 200);
  EXPECT_EQ(Get("GIVEME=SERVERS", "10.0.0.1", 0).status, 429);
  EXPECT_EQ(Get("GIVEME=ADDSERVER&PORT=1", "10.0.0.1", 0).status, 429);
  EXPECT_EQ(store_.Count(), 0u);
  EXPECT_EQ(Get("GIVEME=SERVERS", "10.0.0.2", 0).status, 200);
  EXPECT_EQ(Get("GIVEME=SERVERS", "10.0.0.1", 1000).status, 200);
}

TEST_F(DirectoryServiceTest, VersionAnswersCurrentOrListsChangesSinceTheLobbysVersion) {
  ServiceConfig config;
  config.current_version = 6;
  config.update_url = "http://example.org/";
  config.changes = {{6, "2024-06-01", "Six"}, {5, "2024-05-01", "Five"}, {std::nullopt, "2024-01-01", "Always"}};
  Restart(Unthrottled(), config);
  EXPECT_EQ(Get("GIVEME=VERSION&MEINEVERSION=6").Body(), VersionDocument(true, "http://example.org/", {}));
  EXPECT_EQ(Get("GIVEME=VERSION&MEINEVERSION=7").Body(), VersionDocument(true, "http://example.org/", {}));
  EXPECT_EQ(Get("GIVEME=VERSION&MEINEVERSION=5").Body(),
            VersionDocument(false, "http://example.org/", {config.changes[0], config.changes[2]}));
  EXPECT_EQ(Get("GIVEME=VERSION&MEINEVERSION=-1").Body(),
            VersionDocument(false, "http://example.org/", config.changes));
}

TEST_F(DirectoryServiceTest, NewsComesFromTheConfiguration) {
  ServiceConfig config;
  config.news = {{"2024-06-01", "Bob", "Two", "b"}, {"2024-01-01", "Anna", "One", "a"}};
  Restart(Unthrottled(), config);
  const auto reply = Get("GIVEME=NEWS");
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.Body(), NewsDocument(config.news));
}

}  // namespace
}  // namespace lobbyfind::directory_service
