#include "directory/webinterface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "support/directory_replies.h"
#include "support/fake_ports.h"

namespace lobbyfind::directory {
namespace {

using lobbyfind::test::FakeNetwork;

constexpr const char* kPrefix = "http://dir.example:8080/Vexnet/lobbyfind/webinterface.php?";

TEST(UrlEncode, EveryByteClass) {
  for (int byte = 1; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       std::string("@!$'()*-._").find(c) != std::string::npos;
    char hex[4];
    std::snprintf(hex, sizeof hex, "%%%02X", byte);
    const std::string expected = plain ? std::string(1, c) : byte == ' ' ? std::string("+") : std::string(hex);
    EXPECT_EQ(UrlEncode(std::string(1, c)), expected) << "byte " << byte;
  }
  EXPECT_EQ(UrlEncode("a/b&c=d e"), "a%2Fb%26c%3Dd+e");
  EXPECT_EQ(UrlEncode("\xE4\x7F\x01"), "%E4%7F%01");
  EXPECT_EQ(UrlEncode(std::string("ab\0cd", 5)), "ab") << "a zero byte ends the text";
  EXPECT_EQ(UrlEncode(""), "");
}

class WebinterfaceTest : public ::testing::Test {
 protected:
  WebinterfaceTest() {
    web.OnConnectFailed = [this] { events.push_back("connect-failed"); };
    web.OnServerList = [this](const tServerLists& lists) {
      events.push_back("servers:" + std::to_string(lists.ServerNames.size()));
      last_lists = lists;
    };
    web.OnVersionResult = [this](bool update, const std::string& text) {
      events.push_back(update ? "version:update" : "version:current");
      version_text = text;
    };
    web.OnNewsItem = [this](const std::string& title, const std::string& content, const std::string& author,
                            const std::string& time) {
      events.push_back("news:" + title + "|" + content + "|" + author + "|" + time);
    };
  }

  // The URL the running exchange asked for, rebuilt from its request line and connection.
  std::string SentUrl() {
    const auto& record = net.LastRecord();
    const std::string& written = record.written;
    const std::size_t start = written.find(' ') + 1;
    return "http://" + record.host + ":" + std::to_string(record.port) +
           written.substr(start, written.find(" HTTP/1.0") - start);
  }

  // Lets the running exchange reply with `status` and `body`, then close.
  void Answer(const std::string& status, const std::string& body) {
    net.Last().Open();
    net.Last().Deliver("HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n\r\n" + body);
    net.Last().PeerCloses();
  }

  FakeNetwork net;
  HttpExchange http{net.ConnectionFactory(), net.TimerFactory()};
  cWebinterface web{http, "dir.example:8080"};
  std::vector<std::string> events;
  tServerLists last_lists;
  std::string version_text;
};

TEST_F(WebinterfaceTest, EachRequestHasItsUrl) {
  struct Case {
    void (*ask)(cWebinterface&);
    std::string query;
  };
  const std::vector<Case> table = {
      {[](cWebinterface& w) { w.RequestServerList(); }, "GIVEME=SERVERS"},
      {[](cWebinterface& w) { w.AddServer("My Game", 2300, "4", "a&b"); },
       "GIVEME=ADDSERVER&SERVERNAME=My+Game&PORT=2300&VERSION=4&MAP=a%26b"},
      {[](cWebinterface& w) { w.AddServer("x/y", -5, "1 2", ""); },
       "GIVEME=ADDSERVER&SERVERNAME=x%2Fy&PORT=-5&VERSION=1+2&MAP="},
      {[](cWebinterface& w) { w.DeleteServer(); }, "GIVEME=DELSERVER"},
      {[](cWebinterface& w) { w.CheckVersion(4); }, "GIVEME=VERSION&MEINEVERSION=4"},
      {[](cWebinterface& w) { w.RequestNews(); }, "GIVEME=NEWS"},
  };
  for (const Case& c : table) {
    c.ask(web);
    net.Last().Open();
    EXPECT_EQ(SentUrl(), kPrefix + c.query);
    net.Last().Deliver("HTTP/1.0 200 OK\r\n\r\n");
    net.Last().PeerCloses();
    EXPECT_FALSE(web.Busy());
  }
  EXPECT_TRUE(events.empty()) << "replies without a known title raise nothing";
}

TEST_F(WebinterfaceTest, SendsOneAtATimeInTheOrderAsked) {
  web.RequestServerList();
  web.RequestServerList();
  web.RequestNews();
  EXPECT_TRUE(web.Busy());
  ASSERT_EQ(net.connections.size(), 1U);
  EXPECT_EQ(web.Queue(), (std::deque<std::string>{kPrefix + std::string("GIVEME=SERVERS"),
                                                  kPrefix + std::string("GIVEME=NEWS")}));
  std::vector<std::string> sent;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(net.connections.size(), static_cast<std::size_t>(i + 1));
    net.Last().Open();
    sent.push_back(SentUrl());
    Answer("404 Not Found", "");
  }
  EXPECT_EQ(sent, (std::vector<std::string>{kPrefix + std::string("GIVEME=SERVERS"),
                                            kPrefix + std::string("GIVEME=SERVERS"),
                                            kPrefix + std::string("GIVEME=NEWS")}));
  EXPECT_FALSE(web.Busy());
  EXPECT_TRUE(events.empty()) << "a 404 reports nothing, not even a failure";
}

// While an exchange hangs, the periodic refresh keeps asking for the list
// and the hosted game keeps being announced: the queue must stay short, and
// the announcement must not wait behind the lists.
TEST_F(WebinterfaceTest, AWaitingListRequestIsNotRepeatedAndListingRequestsGoAheadOfIt) {
  const std::string servers = kPrefix + std::string("GIVEME=SERVERS");
  const std::string add_a = kPrefix + std::string("GIVEME=ADDSERVER&SERVERNAME=A&PORT=2300&VERSION=4&MAP=M");
  const std::string add_b = kPrefix + std::string("GIVEME=ADDSERVER&SERVERNAME=A&PORT=2301&VERSION=4&MAP=M");
  const std::string del = kPrefix + std::string("GIVEME=DELSERVER");
  const std::string news = kPrefix + std::string("GIVEME=NEWS");
  struct Step {
    const char* what;
    void (*ask)(cWebinterface&);
    std::deque<std::string> queue;
  };
  const Step steps[] = {
      {"list, sent at once", [](cWebinterface& w) { w.RequestServerList(); }, {}},
      {"list, waits", [](cWebinterface& w) { w.RequestServerList(); }, {servers}},
      {"list again: one waits already", [](cWebinterface& w) { w.RequestServerList(); }, {servers}},
      {"news keeps its place", [](cWebinterface& w) { w.RequestNews(); }, {servers, news}},
      {"announce goes ahead", [](cWebinterface& w) { w.AddServer("A", 2300, "4", "M"); }, {add_a, servers, news}},
      {"the same again changes nothing", [](cWebinterface& w) { w.AddServer("A", 2300, "4", "M"); },
       {add_a, servers, news}},
      {"withdraw follows it", [](cWebinterface& w) { w.DeleteServer(); }, {add_a, del, servers, news}},
      {"announce after a withdrawal is kept", [](cWebinterface& w) { w.AddServer("A", 2300, "4", "M"); },
       {add_a, del, add_a, servers, news}},
      {"another announcement is kept", [](cWebinterface& w) { w.AddServer("A", 2301, "4", "M"); },
       {add_a, del, add_a, add_b, servers, news}},
      {"list again", [](cWebinterface& w) { w.RequestServerList(); }, {add_a, del, add_a, add_b, servers, news}},
  };
  for (const Step& step : steps) {
    step.ask(web);
    EXPECT_EQ(web.Queue(), step.queue) << step.what;
  }
  EXPECT_EQ(net.connections.size(), 1U) << "the first list request still runs";
}

TEST_F(WebinterfaceTest, AFailedExchangeCompletesOnceAndTheQueueGoesOn) {
  web.RequestServerList();
  web.DeleteServer();
  net.Last().Fail("Connection refused");
  EXPECT_EQ(events, std::vector<std::string>{"connect-failed"});
  ASSERT_EQ(net.connections.size(), 2U) << "the queued request is sent, and only once";
  EXPECT_TRUE(web.Busy());
  EXPECT_TRUE(web.Queue().empty());
  net.Last().Open();
  EXPECT_EQ(SentUrl(), kPrefix + std::string("GIVEME=DELSERVER"));
  net.LastTimer().Tick();
  EXPECT_EQ(events, (std::vector<std::string>{"connect-failed", "connect-failed"}));
  EXPECT_FALSE(web.Busy());
  EXPECT_EQ(net.connections.size(), 2U);
}

TEST(WebinterfaceRefusedUrl, AnUnusableHostFailsEachRequestOnceWithoutStalling) {
  FakeNetwork net;
  HttpExchange http{net.ConnectionFactory(), net.TimerFactory()};
  cWebinterface web{http, ""};
  int failures = 0;
  web.OnConnectFailed = [&] { ++failures; };
  web.RequestNews();
  web.RequestServerList();
  EXPECT_EQ(failures, 2);
  EXPECT_FALSE(web.Busy());
  EXPECT_TRUE(net.connections.empty());
}

TEST_F(WebinterfaceTest, ServerListReply) {
  web.RequestServerList();
  Answer("200 OK",
         "<titel>SERVERS</titel>\r\n"
         "<server><servername>Anna</servername><lastupdate>12:00</lastupdate><ip>10.0.0.1</ip>"
         "<map>Downtown</map><port>2300</port><version>4</version></server>\r\n"
         "<server><version>5</version><port>2301</port><ip>10.0.0.2</ip><servername>Bob &amp; Co</servername>"
         "<lastupdate>12:01</lastupdate></server>");
  EXPECT_EQ(events, std::vector<std::string>{"servers:2"});
  const tServerLists expected{{"Anna", "Bob &amp; Co"},
                              {"12:00", "12:01"},
                              {"2300", "2301"},
                              {"Downtown", "(.server[1].map) EXISTIERT NICHT"},
                              {"4", "5"},
                              {"10.0.0.1", "10.0.0.2"},
                              {false, false}};
  EXPECT_EQ(last_lists, expected);
  EXPECT_EQ(web.ServerLists(), expected);

  web.RequestServerList();
  Answer("200 OK", "<titel>SERVERS</titel>");
  EXPECT_EQ(events, (std::vector<std::string>{"servers:2", "servers:0"}));
  EXPECT_EQ(last_lists, tServerLists{}) << "an empty list clears all six";
}

TEST_F(WebinterfaceTest, ALongReplyIsParsedInStepsAndTheNextRequestWaitsUntilItIsRead) {
  auto owned = std::make_unique<test::FakeTimer>();
  test::FakeTimer& steps = *owned;
  web.SetStepTimer(std::move(owned));
  // A short reply is still read at once.
  web.RequestServerList();
  Answer("200 OK", testing::ServersReply(3));
  EXPECT_EQ(events, std::vector<std::string>{"servers:3"});
  EXPECT_FALSE(steps.enabled);

  constexpr int kServers = 6000;  // more than one turn's readout
  const std::string reply = testing::ServersReply(kServers);
  ASSERT_GE(reply.size(), cWebinterface::kLongReplyBytes);
  // The servers' addresses come ahead of the list, a part per step.
  std::vector<std::string> ahead;
  int parts = 0;
  web.OnServersAhead = [&](std::size_t first, std::span<const std::string> ips) {
    EXPECT_EQ(first, ahead.size());
    EXPECT_EQ(events.size(), 1U) << "ahead of the list";
    ahead.insert(ahead.end(), ips.begin(), ips.end());
    ++parts;
  };
  web.RequestServerList();
  web.RequestNews();
  Answer("200 OK", reply);
  EXPECT_EQ(events.size(), 1U) << "read only after its steps";
  EXPECT_TRUE(web.Busy());
  EXPECT_EQ(net.connections.size(), 2U) << "the news wait for the list";
  int turns = 0;
  for (; steps.enabled && turns < 1000; ++turns) steps.Tick();
  EXPECT_GE(parts, 8 * kServers / static_cast<int>(cWebinterface::kElementsPerStep) - 1);
  EXPECT_EQ(ahead, last_lists.IPs) << "every address once, in list order";
  // About eight elements per server, each step a bounded part of them;
  // then the servers read out, a bounded part per turn.
  EXPECT_GE(turns, 8 * kServers / static_cast<int>(cWebinterface::kElementsPerStep) +
                       kServers / static_cast<int>(cWebinterface::kServersPerStep));
  ASSERT_EQ(events, (std::vector<std::string>{"servers:3", "servers:" + std::to_string(kServers)}));
  cXMLparser at_once;
  at_once.Parse(reply);
  ASSERT_EQ(last_lists.ServerNames.size(), static_cast<std::size_t>(kServers));
  for (int i = 0; i < kServers; ++i) {
    const std::string server = InstancePath(".server", static_cast<std::size_t>(i));
    ASSERT_EQ(last_lists.ServerNames[static_cast<std::size_t>(i)], "Player " + std::to_string(i));
    ASSERT_EQ(last_lists.IPs[static_cast<std::size_t>(i)], at_once.Value(server + ".ip"));
    ASSERT_EQ(last_lists.Versions[static_cast<std::size_t>(i)], "4");
  }
  EXPECT_EQ(net.connections.size(), 3U) << "the news went out once the list was read";
  EXPECT_TRUE(web.Busy());
}

TEST_F(WebinterfaceTest, ReachabilityIsReadBesideTheSixListsWhichStayAsTheyWere) {
  const std::string first = "<server><servername>Anna</servername><ip>10.0.0.1</ip><port>2300</port>";
  const std::string second = "<server><servername>Bob</servername><ip>10.0.0.2</ip><port>2301</port>";
  web.RequestServerList();
  Answer("200 OK", "<titel>SERVERS</titel>" + first + "</server>" + second + "</server>");
  tServerLists plain = last_lists;
  struct Case {
    const char* first_element;
    const char* second_element;
    std::vector<bool> unreachable;
  };
  const Case cases[] = {
      {"<reachable>no</reachable>", "<reachable>yes</reachable>", {true, false}},
      {"", "<reachable>no</reachable>", {false, true}},
      // Only "no" marks a game; a value this lobby does not know marks nothing.
      {"<reachable>maybe</reachable>", "<reachable>NO</reachable>", {false, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first_element) + c.second_element);
    web.RequestServerList();
    Answer("200 OK", "<titel>SERVERS</titel>" + first + c.first_element + "</server>" + second + c.second_element +
                         "</server>");
    plain.Unreachable = c.unreachable;
    EXPECT_EQ(last_lists, plain);
  }
}

TEST_F(WebinterfaceTest, PortCheckRepliesNameTheResultAndTheAddress) {
  std::vector<std::string> checks;
  web.OnPortCheck = [&](cWebinterface::PortCheck result, const std::string& ip) {
    checks.push_back(std::to_string(static_cast<int>(result)) + " " + ip);
  };
  for (const char* reachable : {"yes", "no", "unknown", ""}) {
    web.CheckPorts();
    Answer("200 OK", std::string("<titel>CHECKPORTS</titel><ip>203.0.113.9</ip><reachable>") + reachable +
                         "</reachable>");
  }
  using P = cWebinterface::PortCheck;
  const auto line = [](P p) { return std::to_string(static_cast<int>(p)) + " 203.0.113.9"; };
  EXPECT_EQ(checks, (std::vector<std::string>{line(P::kReachable), line(P::kUnreachable), line(P::kUnknown),
                                              line(P::kUnknown)}));
}

TEST_F(WebinterfaceTest, VersionReplies) {
  struct Case {
    std::string body;
    std::string event;
    std::string text;
  };
  const std::vector<Case> table = {
      {"<titel>VERSION</titel><aktualitaet>aktuell</aktualitaet>"
       "<eintrag><inhalt>Faster</inhalt><zeitpunkt>1.1.</zeitpunkt></eintrag>"
       "<eintrag><inhalt>Fixed</inhalt><zeitpunkt>2.1.</zeitpunkt></eintrag>",
       "version:current",
       "Your version is the latest version! No update needed!\r\n- Faster (1.1.)\r\n- Fixed (2.1.)\r\n"},
      {"<titel>VERSION</titel><aktualitaet>alt</aktualitaet><updateurl>http://get.example/</updateurl>"
       "<eintrag><inhalt>New maps</inhalt><zeitpunkt>3.2.</zeitpunkt></eintrag>",
       "version:update",
       "Your version is not the latest version!\r\nVisit http://get.example/ to update your Version.\r\n\r\n"
       "The following important changes have been made :\r\n- New maps (3.2.)\r\n"},
      {"<titel>VERSION</titel><eintrag><inhalt>x</inhalt></eintrag>", "version:update",
       "Your version is not the latest version!\r\nVisit (.updateurl) EXISTIERT NICHT to update your Version.\r\n"
       "\r\nThe following important changes have been made :\r\n- x ((.eintrag.zeitpunkt) EXISTIERT NICHT)\r\n"},
      {"<titel>VERSION</titel><aktualitaet>Aktuell</aktualitaet>", "version:update",
       "Your version is not the latest version!\r\nVisit (.updateurl) EXISTIERT NICHT to update your Version.\r\n"
       "\r\nThe following important changes have been made :\r\n"},
  };
  for (const Case& c : table) {
    events.clear();
    web.CheckVersion(4);
    Answer("200 OK", c.body);
    EXPECT_EQ(events, std::vector<std::string>{c.event}) << c.body;
    EXPECT_EQ(version_text, c.text) << c.body;
  }
}

TEST_F(WebinterfaceTest, NewsRepliesRaiseOneEventPerEntryInDocumentOrder) {
  web.RequestNews();
  Answer("200 OK",
         "<titel>NEWS</titel>"
         "<eintrag><zeitpunkt>t1</zeitpunkt><autor>a1</autor><content>c1</content><title>h1</title></eintrag>"
         "<eintrag><title>h2</title><content>c2\r\nline</content><autor>a2</autor><zeitpunkt>t2</zeitpunkt></eintrag>"
         "<eintrag><title>h3</title></eintrag>");
  EXPECT_EQ(events, (std::vector<std::string>{
                        "news:h1|c1|a1|t1", "news:h2|c2\r\nline|a2|t2",
                        "news:h3|(.eintrag[2].content) EXISTIERT NICHT|(.eintrag[2].autor) EXISTIERT NICHT|"
                        "(.eintrag[2].zeitpunkt) EXISTIERT NICHT"}));
}

TEST_F(WebinterfaceTest, UnknownTitlesAndErrorStatusesRaiseNothing) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"200 OK", "<titel>servers</titel><server><ip>1</ip></server>"},
      {"200 OK", "<html><body>It works</body></html>"},
      {"200 OK", ""},
      {"500 Internal Server Error", "<titel>SERVERS</titel>"},
      {"302 Found", "<titel>NEWS</titel><eintrag><title>x</title></eintrag>"},
  };
  for (const auto& [status, body] : table) {
    web.RequestServerList();
    Answer(status, body);
    EXPECT_FALSE(web.Busy());
  }
  EXPECT_TRUE(events.empty());
}

TEST_F(WebinterfaceTest, RequestsAskedFromAnEventWaitForTheRunningExchange) {
  web.OnServerList = [this](const tServerLists&) {
    events.push_back("servers");
    web.RequestNews();
    EXPECT_EQ(net.connections.size(), 1U) << "still busy until the close";
  };
  web.RequestServerList();
  Answer("200 OK", "<titel>SERVERS</titel>");
  ASSERT_EQ(net.connections.size(), 2U);
  net.Last().Open();
  EXPECT_EQ(SentUrl(), kPrefix + std::string("GIVEME=NEWS"));
}

}  // namespace
}  // namespace lobbyfind::directory
