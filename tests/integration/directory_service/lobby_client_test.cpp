// The lobby's own directory client (cWebinterface over the Qt socket and timer
// adapters) against the real lobbyfind-directory program, end to end. The
// client connects from 127.0.0.1; raw requests from 127.0.0.2 and up stand for
// other players' lobbies.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "directory/http_exchange.h"
#include "directory/webinterface.h"
#include "directory_server_support.h"
#include "qt/qt_tcp_connection.h"
#include "qt/qt_timer.h"

namespace lobbyfind::directory_service::testing {
namespace {

using directory::cWebinterface;
using directory::HttpExchange;
using directory::tServerLists;
using Texts = std::vector<std::string>;

// Loopback answers come in milliseconds; this only bounds a broken run.
constexpr int kWaitMs = 5000;

const char* const kLatest = "Your version is the latest version! No update needed!\r\n";
const char* const kOutdated =
    "Your version is not the latest version!\r\n"
    "Visit http://example.org/lobbyfind/ to update your Version.\r\n"
    "\r\n"
    "The following important changes have been made :\r\n";

struct NewsItem {
  std::string title, content, author, time;
  bool operator==(const NewsItem&) const = default;
};

struct VersionResult {
  bool update_available = false;
  std::string text;
  bool operator==(const VersionResult&) const = default;
};

// The lobby's client as the program builds it, writing down every event it raises.
class LobbyClient {
 public:
  explicit LobbyClient(int port)
      : http_(qt::MakeQtTcpConnectionFactory(), [] { return std::make_unique<qt::QtTimer>(); }),
        web(http_, "127.0.0.1:" + std::to_string(port)) {
    web.OnConnectFailed = [this] { ++connect_failures; };
    web.OnServerList = [this](const tServerLists& received) { lists.push_back(received); };
    web.OnVersionResult = [this](bool update, const std::string& text) { versions.push_back({update, text}); };
    web.OnNewsItem = [this](const std::string& title, const std::string& content, const std::string& author,
                            const std::string& time) { news.push_back({title, content, author, time}); };
  }

  // Runs the event loop until every request asked for has ended.
  [[nodiscard]] bool WaitIdle() {
    return QTest::qWaitFor([this] { return !web.Busy() && web.Queue().empty(); }, kWaitMs);
  }

  // Asks for the server list; nothing when no list came back.
  std::optional<tServerLists> FetchList() {
    const std::size_t before = lists.size();
    web.RequestServerList();
    if (!WaitIdle() || lists.size() != before + 1) return std::nullopt;
    return lists.back();
  }

  [[nodiscard]] std::size_t Events() const {
    return static_cast<std::size_t>(connect_failures) + lists.size() + versions.size() + news.size();
  }

 private:
  HttpExchange http_;  // before `web`, which holds on to it

 public:
  cWebinterface web;
  int connect_failures = 0;
  std::vector<tServerLists> lists;
  std::vector<VersionResult> versions;
  std::vector<NewsItem> news;
};

class LobbyClientTest : public DirectoryServerTest {
 protected:
  // Log lines are written once the reply is out; give the last one a moment.
  [[nodiscard]] bool LogShows(const std::string& text, std::size_t times = 1) const {
    return QTest::qWaitFor([&] { return Occurrences(server_->Log(), text) >= times; }, kWaitMs);
  }

  static std::size_t Occurrences(const std::string& haystack, const std::string& needle) {
    std::size_t count = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
  }
};

TEST_F(LobbyClientTest, AnnouncementIsListedWithTheLobbysAddressRefreshedAndWithdrawn) {
  Start();
  Ok("GIVEME=ADDSERVER&SERVERNAME=Other&PORT=2301&VERSION=4&MAP=Docks", "127.0.0.2");
  LobbyClient lobby(Port());

  // The client encodes the blank, "&" and the markup; the service must read back what was meant.
  lobby.web.AddServer("Anna's game", 2300, "4", "Down town & <b>");
  auto list = lobby.FetchList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->ServerNames, (Texts{"Other", "Anna's game"}));
  EXPECT_EQ(list->IPs, (Texts{"127.0.0.2", "127.0.0.1"}));
  EXPECT_EQ(list->Ports, (Texts{"2301", "2300"}));
  EXPECT_EQ(list->Maps, (Texts{"Docks", "Down town & (b)"}));
  EXPECT_EQ(list->Versions, (Texts{"4", "4"}));
  const std::regex utc_time("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}");
  for (const auto& time : list->LastUpdates) EXPECT_TRUE(std::regex_match(time, utc_time)) << time;

  // Hosting re-announces on every tick: the same game again, now on another map, keeps its place.
  lobby.web.AddServer("Anna's game", 2300, "4", "Industrial");
  list = lobby.FetchList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->ServerNames, (Texts{"Other", "Anna's game"}));
  EXPECT_EQ(list->Maps, (Texts{"Docks", "Industrial"}));

  lobby.web.DeleteServer();
  list = lobby.FetchList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->ServerNames, Texts{"Other"});
  EXPECT_EQ(list->IPs, Texts{"127.0.0.2"});
  EXPECT_EQ(lobby.connect_failures, 0);
  EXPECT_EQ(lobby.lists.size(), 3U) << "acknowledgements of ADDSERVER and DELSERVER raise nothing";
}

TEST_F(LobbyClientTest, AnnouncementDisappearsOnceTheTimeToLiveHasPassed) {
  Start({"--ttl", "1", "--rate", "0"});  // the list is asked for over and over
  LobbyClient lobby(Port());
  QElapsedTimer since_announced;
  since_announced.start();
  lobby.web.AddServer("Brief", 2300, "4", "Docks");
  const auto list = lobby.FetchList();
  ASSERT_TRUE(list);
  ASSERT_EQ(list->ServerNames, Texts{"Brief"});

  bool gone = false;
  const bool ended = QTest::qWaitFor(
      [&] {
        if (lobby.web.Busy()) return false;
        gone = lobby.lists.back().ServerNames.empty();
        if (!gone) lobby.web.RequestServerList();
        return gone;
      },
      kWaitMs);
  ASSERT_TRUE(ended && gone) << "still listed after " << since_announced.elapsed() << " ms";
  // The timer started before the announcement reached the service, so it has
  // run at least the whole second (bar a few ms between the two clocks).
  EXPECT_GE(since_announced.elapsed(), 990);
  EXPECT_EQ(lobby.connect_failures, 0);
}

TEST_F(LobbyClientTest, VersionCheckForCurrentNewerAndOutdatedLobbies) {
  Start();
  LobbyClient lobby(Port());
  const std::vector<std::pair<int, VersionResult>> cases = {
      {4, {false, kLatest}},
      {7, {false, kLatest}},  // a test build newer than the directory knows of
      {3, {true, std::string(kOutdated) + "- Hosting announces the map (2024-05-01)\r\n"}},
      {2, {true, std::string(kOutdated) + "- Hosting announces the map (2024-05-01)\r\n"
                                          "- Older change (2023-01-01)\r\n"}},
  };
  // All asked for at once: the client sends them one after the other.
  for (const auto& [mine, expected] : cases) lobby.web.CheckVersion(mine);
  ASSERT_TRUE(lobby.WaitIdle());
  ASSERT_EQ(lobby.versions.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(lobby.versions[i], cases[i].second) << "MEINEVERSION=" << cases[i].first;
  }
}

TEST_F(LobbyClientTest, NewsArriveNewestFirst) {
  Start();
  LobbyClient lobby(Port());
  lobby.web.RequestNews();
  ASSERT_TRUE(lobby.WaitIdle());
  EXPECT_EQ(lobby.news, (std::vector<NewsItem>{{"Third", "three", "Anna", "2024-03-01 20:00"},
                                               {"Second", "two", "Bob", "2024-02-01"},
                                               {"First", "one", "Carl", "2024-01-01"}}));
  EXPECT_EQ(lobby.Events(), 3U);
}

TEST_F(LobbyClientTest, RefusedAnnouncementsRaiseNothingAndStoreNothing) {
  Start();
  LobbyClient lobby(Port());
  lobby.web.AddServer("Bad", 0, "4", "Docks");      // 400: no such port
  lobby.web.AddServer("Bad", 70000, "4", "Docks");  // 400
  for (int port = 2300; port < 2305; ++port) lobby.web.AddServer("Mine", port, "4", "Docks");  // the fifth: 429
  ASSERT_TRUE(lobby.WaitIdle());
  EXPECT_EQ(lobby.Events(), 0U);
  EXPECT_TRUE(LogShows("PORT=0&VERSION=4&MAP=Docks HTTP/1.0\" 400"));
  EXPECT_TRUE(LogShows("PORT=70000&VERSION=4&MAP=Docks HTTP/1.0\" 400"));
  EXPECT_TRUE(LogShows("PORT=2304&VERSION=4&MAP=Docks HTTP/1.0\" 429"));

  const auto list = lobby.FetchList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->Ports, (Texts{"2300", "2301", "2302", "2303"}));
}

TEST_F(LobbyClientTest, RateLimitedRequestsRaiseNoEventAndTheQueueMovesOn) {
  Start({"--rate", "0.001", "--burst", "3"});  // three requests, then none for a long while
  LobbyClient lobby(Port());
  lobby.web.RequestServerList();
  lobby.web.CheckVersion(4);
  lobby.web.RequestNews();
  ASSERT_TRUE(lobby.WaitIdle());
  ASSERT_EQ(lobby.Events(), 5U);  // one list, one version result, three news

  lobby.web.RequestServerList();
  lobby.web.CheckVersion(3);
  lobby.web.RequestNews();
  ASSERT_TRUE(lobby.WaitIdle());
  EXPECT_TRUE(LogShows("\" 429 ", 3));
  EXPECT_EQ(lobby.Events(), 5U);
  EXPECT_EQ(lobby.connect_failures, 0);
}

}  // namespace
}  // namespace lobbyfind::directory_service::testing
