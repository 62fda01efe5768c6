// The real lobbyfind-directory program over real loopback sockets. Different
// 127.0.0.x source addresses stand for different players' machines.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>
#include <thread>

#include "directory_server_support.h"

namespace lobbyfind::directory_service::testing {
namespace {

const char* kEmptyList = "<titel>SERVERS</titel>\n";

TEST_F(DirectoryServerTest, AnnouncedGameIsListedWithTheRequestersAddressThenWithdrawn) {
  Start();
  const auto add = LobbyGet(Port(), "GIVEME=ADDSERVER&SERVERNAME=My+Game&PORT=2300&VERSION=4&MAP=a%26b", "127.0.0.2");
  EXPECT_EQ(add.status, 200);
  const std::regex listed(
      "<titel>SERVERS</titel>\n<server><servername>My Game</servername><lastupdate>"
      "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}</lastupdate><ip>127\\.0\\.0\\.2</ip>"
      "<map>a&b</map><port>2300</port><version>4</version></server>\n");
  EXPECT_TRUE(std::regex_match(Servers(), listed)) << Servers();

  EXPECT_EQ(LobbyGet(Port(), "GIVEME=DELSERVER", "127.0.0.3").status, 200);  // someone else's withdrawal
  EXPECT_TRUE(std::regex_match(Servers(), listed));
  EXPECT_EQ(LobbyGet(Port(), "GIVEME=DELSERVER", "127.0.0.2").status, 200);
  EXPECT_EQ(Servers(), kEmptyList);
}

TEST_F(DirectoryServerTest, ListIsOldestAnnouncementFirst) {
  Start();
  Ok("GIVEME=ADDSERVER&SERVERNAME=A&PORT=2300", "127.0.0.2");
  Ok("GIVEME=ADDSERVER&SERVERNAME=B&PORT=2300", "127.0.0.3");
  Ok("GIVEME=ADDSERVER&SERVERNAME=A&PORT=2300", "127.0.0.2");  // refresh
  const std::string body = Servers();
  ASSERT_NE(body.find(">A<"), std::string::npos);
  EXPECT_LT(body.find(">A<"), body.find(">B<"));
}

TEST_F(DirectoryServerTest, VersionCurrentAndOutdated) {
  Start();
  EXPECT_EQ(LobbyGet(Port(), "GIVEME=VERSION&MEINEVERSION=4").body,
            "<titel>VERSION</titel>\n<aktualitaet>aktuell</aktualitaet>\n"
            "<updateurl>http://example.org/lobbyfind/</updateurl>\n");
  EXPECT_EQ(LobbyGet(Port(), "GIVEME=VERSION&MEINEVERSION=3").body,
            "<titel>VERSION</titel>\n<aktualitaet>veraltet</aktualitaet>\n"
            "<updateurl>http://example.org/lobbyfind/</updateurl>\n"
            "<eintrag><inhalt>Hosting announces the map</inhalt><zeitpunkt>2024-05-01</zeitpunkt></eintrag>\n");
}

TEST_F(DirectoryServerTest, NewsThreeEntriesNewestFirst) {
  Start();
  const auto reply = LobbyGet(Port(), "GIVEME=NEWS");
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body,
            "<titel>NEWS</titel>\n"
            "<eintrag><zeitpunkt>2024-03-01 20:00</zeitpunkt><autor>Anna</autor><content>three</content>"
            "<title>Third</title></eintrag>\n"
            "<eintrag><zeitpunkt>2024-02-01</zeitpunkt><autor>Bob</autor><content>two</content>"
            "<title>Second</title></eintrag>\n"
            "<eintrag><zeitpunkt>2024-01-01</zeitpunkt><autor>Carl</autor><content>one</content>"
            "<title>First</title></eintrag>\n");
}

TEST_F(DirectoryServerTest, EntryExpiresAfterTheTimeToLive) {
  Start({"--ttl", "1"});
  Ok("GIVEME=ADDSERVER&SERVERNAME=Brief&PORT=2300", "127.0.0.2");
  EXPECT_NE(Servers().find("Brief"), std::string::npos);
  // Gone once the time-to-live has passed; how soon after is the service's
  // business, so the list is watched with a generous bound.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Servers() != kEmptyList && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(Servers(), kEmptyList);
}

TEST_F(DirectoryServerTest, BadInputGets400AndChangesNothing) {
  Start();
  Ok("GIVEME=ADDSERVER&SERVERNAME=Kept&PORT=2300", "127.0.0.2");
  const std::string before = Servers();
  const std::vector<std::string> queries = {
      "GIVEME=ADDSERVER&SERVERNAME=NoPort",
      "GIVEME=ADDSERVER&SERVERNAME=Kept&PORT=23x0",
      "GIVEME=ADDSERVER&SERVERNAME=Kept&PORT=70000",
      "GIVEME=REMOVEALL",
      "GIVEME=ADDSERVER&PORT=2301&SERVERNAME=" + std::string(1000, 'x'),
      "GIVEME=ADDSERVER&PORT=2301&MAP=%G0",
  };
  for (const auto& query : queries) {
    const auto reply = LobbyGet(Port(), query, "127.0.0.2");
    EXPECT_EQ(reply.status, 400) << query;
    EXPECT_FALSE(reply.body.empty()) << query;
    EXPECT_TRUE(reply.closed) << query;
  }
  EXPECT_EQ(Servers(), before);
}

TEST_F(DirectoryServerTest, MarkupInANameCannotBreakTheList) {
  Start();
  Ok("GIVEME=ADDSERVER&SERVERNAME=%3C%2Fservername%3E%3Cip%3E6.6.6.6%3C%2Fip%3E&PORT=2300",
           "127.0.0.2");
  const std::string body = Servers();
  EXPECT_NE(body.find("<servername>(/servername)(ip)6.6.6.6(/ip)</servername>"), std::string::npos) << body;
  EXPECT_NE(body.find("<ip>127.0.0.2</ip>"), std::string::npos);
  EXPECT_EQ(body.find("<ip>6.6.6.6"), std::string::npos);
}

TEST_F(DirectoryServerTest, AnAddressMayListFourServers) {
  Start();
  for (int port = 2300; port < 2304; ++port) {
    EXPECT_EQ(LobbyGet(Port(), "GIVEME=ADDSERVER&PORT=" + std::to_string(port), "127.0.0.2").status, 200);
  }
  EXPECT_EQ(LobbyGet(Port(), "GIVEME=ADDSERVER&PORT=2304", "127.0.0.2").status, 429);
  EXPECT_EQ(LobbyGet(Port(), "GIVEME=ADDSERVER&PORT=2304", "127.0.0.3").status, 200);
  const std::string body = Servers();
  EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 6);  // titel and five servers
}

TEST_F(DirectoryServerTest, RestartWithTheSameDatabaseKeepsEntries) {
  Start();
  Ok("GIVEME=ADDSERVER&SERVERNAME=Survivor&PORT=2300&MAP=Downtown", "127.0.0.2");
  const std::string before = Servers();
  ASSERT_NE(before.find("Survivor"), std::string::npos);
  EXPECT_EQ(server_->Stop(), 0);
  Start();
  EXPECT_EQ(Servers(), before);
}

TEST_F(DirectoryServerTest, Http10ClosesAndHttp11KeepsTheConnection) {
  Start();
  const auto old = LobbyGet(Port(), "GIVEME=SERVERS");
  EXPECT_EQ(old.status, 200);
  EXPECT_TRUE(old.closed);
  EXPECT_EQ(old.body, kEmptyList);

  const auto replies = KeepAliveGets(Port(), {ScriptTarget("GIVEME=SERVERS"), ScriptTarget("GIVEME=NEWS")});
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].status, 200);
  EXPECT_EQ(replies[0].body, kEmptyList);
  EXPECT_FALSE(replies[0].closed);
  EXPECT_EQ(replies[1].status, 200);
  EXPECT_EQ(replies[1].body.rfind("<titel>NEWS</titel>", 0), 0u);
}

TEST_F(DirectoryServerTest, ForwardedForIsBelievedOnlyFromTheTrustedProxy) {
  Start({"--trusted-proxy", "127.0.0.1"});
  const auto request = [](const std::string& query) {
    return "GET " + ScriptTarget(query) + " HTTP/1.0\r\nX-Forwarded-For: 198.51.100.7\r\n\r\n";
  };
  EXPECT_EQ(RawGet(Port(), request("GIVEME=ADDSERVER&SERVERNAME=Proxied&PORT=2300"), "127.0.0.1").status, 200);
  EXPECT_EQ(RawGet(Port(), request("GIVEME=ADDSERVER&SERVERNAME=Direct&PORT=2300"), "127.0.0.5").status, 200);
  const std::string body = Servers();
  EXPECT_NE(body.find("Proxied</servername><lastupdate>"), std::string::npos);
  EXPECT_NE(body.find("<ip>198.51.100.7</ip>"), std::string::npos) << body;
  EXPECT_NE(body.find("<ip>127.0.0.5</ip>"), std::string::npos) << body;
  EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 3);
}

TEST_F(DirectoryServerTest, FloodFromOneAddressIsRefused) {
  Start({"--rate", "1", "--burst", "3"});
  int refused = 0;
  for (int i = 0; i < 6; ++i) refused += LobbyGet(Port(), "GIVEME=SERVERS", "127.0.0.2").status == 429 ? 1 : 0;
  EXPECT_GE(refused, 2);
  EXPECT_EQ(LobbyGet(Port(), "GIVEME=SERVERS", "127.0.0.3").status, 200);
}

TEST_F(DirectoryServerTest, SilentConnectionIsClosedAfterTheTimeout) {
  Start({"--timeout", "1"});
  const double seconds = SecondsUntilIdleClose(Port(), 5.0);
  EXPECT_GE(seconds, 0.5);
  EXPECT_LT(seconds, 4.0);
}

TEST_F(DirectoryServerTest, LogsEachRequestAndStopsCleanlyOnSigterm) {
  Start();
  Ok("GIVEME=NEWS", "127.0.0.4");
  EXPECT_EQ(LobbyGet(Port(), "GIVEME=BOGUS%0A", "127.0.0.4").status, 400);
  EXPECT_EQ(server_->Stop(), 0);
  const std::string log = server_->Log();
  EXPECT_NE(log.find("127.0.0.4 \"GET /Vexnet/lobbyfind/webinterface.php?GIVEME=NEWS HTTP/1.0\" 200"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("GIVEME=BOGUS%0A HTTP/1.0\" 400"), std::string::npos) << log;
  EXPECT_NE(log.find("stopping on SIGTERM"), std::string::npos);
}

TEST(DirectoryServerProgram, RefusesBadOptionsAndBadConfig) {
  TempDir dir;
  dir.Write("bad.ini", "current-version = soon\n");
  EXPECT_THROW(DirectoryServer({"--ttl", "never"}, dir.File("a.log")), std::runtime_error);
  EXPECT_THROW(DirectoryServer({"--db", ":memory:", "--config", dir.File("bad.ini")}, dir.File("b.log")),
               std::runtime_error);
  std::ifstream log(dir.File("b.log"));
  std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("line 1: not a number: soon"), std::string::npos) << text;
}

}  // namespace
}  // namespace lobbyfind::directory_service::testing
