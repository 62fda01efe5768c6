#include "directory/http_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_ports.h"

namespace lobbyfind::directory {
namespace {

using lobbyfind::test::FakeNetwork;
using lobbyfind::test::FakeTimer;

// Records every notification of the exchange in the order it came.
struct Recorder {
  explicit Recorder(HttpExchange& http) {
    http.OnSuccess = [this, &http](CmdType) { events.push_back("success:" + http.Body()); };
    http.OnFailure = [this, &http](CmdType) { events.push_back("failure:" + std::to_string(http.StatusCode())); };
    http.OnDisconnect = [this, &http] { events.push_back(http.Failed() ? "disconnect(failed)" : "disconnect"); };
    http.OnExchangeFailed = [this](const std::string& reason) { events.push_back("failed:" + reason); };
  }
  std::vector<std::string> events;
};

class HttpExchangeTest : public ::testing::Test {
 protected:
  FakeNetwork net;
  HttpExchange http{net.ConnectionFactory(), net.TimerFactory(), HttpExchange::Limits{1000, 64}};
  Recorder recorder{http};
};

TEST_F(HttpExchangeTest, SendsTheRequestOnceConnectedAndReadsToTheClose) {
  ASSERT_TRUE(http.Get("http://dir.example:8080/Vexnet/lobbyfind/webinterface.php?GIVEME=NEWS"));
  auto& connection = net.Last();
  const auto& record = net.LastRecord();
  EXPECT_EQ(record.host, "dir.example");
  EXPECT_EQ(record.port, 8080);
  EXPECT_TRUE(http.Running());
  EXPECT_EQ(record.written, "");
  connection.Open();
  EXPECT_EQ(record.written.substr(0, record.written.find("\r\n")),
            "GET /Vexnet/lobbyfind/webinterface.php?GIVEME=NEWS HTTP/1.0");
  EXPECT_NE(record.written.find("\r\nHost: dir.example\r\n"), std::string::npos);
  connection.Deliver("HTTP/1.0 200 OK\r\n\r\n<titel>");
  connection.Deliver("NEWS</titel>");
  EXPECT_TRUE(recorder.events.empty()) << "nothing is reported before the close";
  connection.PeerCloses();
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"success:<titel>NEWS</titel>", "disconnect"}));
  EXPECT_FALSE(http.Running());
  EXPECT_FALSE(net.LastTimer().enabled);
}

TEST_F(HttpExchangeTest, StatusDecidesTheNotification) {
  struct Case {
    std::string reply;
    std::vector<std::string> expected;
  };
  const std::vector<Case> table = {
      {"HTTP/1.0 200 OK\r\n\r\n", {"success:", "disconnect"}},
      {"HTTP/1.0 298 x\r\n\r\nb", {"success:b", "disconnect"}},
      {"HTTP/1.0 299 x\r\n\r\nb", {"disconnect"}},
      {"HTTP/1.0 301 Moved\r\nLocation: http://elsewhere/\r\n\r\n", {"disconnect"}},
      {"HTTP/1.0 399 x\r\n\r\n", {"disconnect"}},
      {"HTTP/1.0 400 Bad\r\n\r\n", {"failure:400", "disconnect"}},
      {"HTTP/1.0 404 Not Found\r\n\r\nmissing", {"failure:404", "disconnect"}},
      {"garbage\r\n\r\nbody", {"success:body", "disconnect"}},
  };
  for (const Case& c : table) {
    recorder.events.clear();
    ASSERT_TRUE(http.Get("http://h/x"));
    net.Last().Open();
    net.Last().Deliver(c.reply);
    net.Last().PeerCloses();
    EXPECT_EQ(recorder.events, c.expected) << c.reply;
  }
}

TEST_F(HttpExchangeTest, FailuresComeAfterTheDisconnect) {
  ASSERT_TRUE(http.Get("http://h/x"));
  net.Last().Fail("Connection refused");
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"disconnect(failed)", "failed:Connection refused"}));
  EXPECT_FALSE(http.Running());

  recorder.events.clear();
  ASSERT_TRUE(http.Get("http://h/x"));
  net.Last().Open();
  net.Last().Deliver("HTTP/1.0 200 OK\r\n\r\npart");
  net.Last().Fail("Connection reset by peer");
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"disconnect(failed)", "failed:Connection reset by peer"}))
      << "a body cut by an error is no success";
}

TEST_F(HttpExchangeTest, AClosedConnectionWithoutAReplyIsAFailure) {
  ASSERT_TRUE(http.Get("http://h/x"));
  net.Last().Open();
  net.Last().PeerCloses();
  ASSERT_EQ(recorder.events.size(), 2U);
  EXPECT_EQ(recorder.events[0], "disconnect(failed)");
  EXPECT_EQ(recorder.events[1].rfind("failed:", 0), 0U);
}

TEST_F(HttpExchangeTest, TimesOutWithoutProgressButNotWhileBytesArrive) {
  ASSERT_TRUE(http.Get("http://h/x"));
  auto& connection = net.Last();
  EXPECT_TRUE(net.LastTimer().enabled);
  EXPECT_EQ(net.LastTimer().interval, 1000U);
  const int restarts = net.LastTimer().restarts;
  connection.Open();
  connection.Deliver("HTTP/1.0 200 OK\r\n");
  EXPECT_EQ(net.LastTimer().restarts, restarts + 2) << "each step of progress restarts the period";
  EXPECT_TRUE(recorder.events.empty());
  net.LastTimer().Tick();
  ASSERT_EQ(recorder.events.size(), 2U);
  EXPECT_EQ(recorder.events[0], "disconnect(failed)");
  EXPECT_EQ(recorder.events[1].rfind("failed:", 0), 0U);
  EXPECT_TRUE(net.LastRecord().closed_by_owner);
  EXPECT_TRUE(net.LastRecord().destroyed) << "released once its notifications are over";
  EXPECT_FALSE(net.LastTimer().enabled);
}

TEST_F(HttpExchangeTest, AReplyThatOnlyCrawlsFailsAtTheDeadlineOfTheWholeExchange) {
  ASSERT_EQ(net.timers.made.size(), 2U);
  FakeTimer& deadline = *net.timers.made.front();
  ASSERT_TRUE(http.Get("http://h/x"));
  EXPECT_TRUE(deadline.enabled);
  EXPECT_EQ(deadline.interval, HttpExchange::Limits{}.deadline_ms);
  auto& connection = net.Last();
  connection.Open();
  const int restarts = deadline.restarts;
  for (const char byte : std::string("HTTP/1.0 200 OK\r\n\r\nab")) {
    connection.Deliver(std::string(1, byte));
  }
  EXPECT_EQ(deadline.restarts, restarts) << "progress does not move the deadline";
  EXPECT_TRUE(recorder.events.empty());
  deadline.Tick();
  ASSERT_EQ(recorder.events.size(), 2U);
  EXPECT_EQ(recorder.events[0], "disconnect(failed)");
  EXPECT_EQ(recorder.events[1].rfind("failed:", 0), 0U);
  EXPECT_FALSE(deadline.enabled);
  EXPECT_FALSE(net.LastTimer().enabled);
  // The next exchange gets a fresh deadline.
  ASSERT_TRUE(http.Get("http://h/y"));
  EXPECT_TRUE(deadline.enabled);
}

TEST_F(HttpExchangeTest, ABodyOverTheLimitEndsTheExchangeAsAFailure) {
  ASSERT_TRUE(http.Get("http://h/x"));
  auto& connection = net.Last();
  connection.Open();
  connection.Deliver("HTTP/1.0 200 OK\r\n\r\n");
  connection.Deliver(std::string(64, 'x'));
  EXPECT_TRUE(recorder.events.empty()) << "exactly the limit is still accepted";
  connection.Deliver("y");
  ASSERT_EQ(recorder.events.size(), 2U);
  EXPECT_EQ(recorder.events[0], "disconnect(failed)");
  EXPECT_TRUE(net.LastRecord().closed_by_owner);
  EXPECT_FALSE(net.LastRecord().destroyed) << "never destroyed inside its own notification";
}

TEST_F(HttpExchangeTest, RefusesUnusableUrlsAndASecondExchangeWithoutNotifying) {
  EXPECT_FALSE(http.Get(""));
  EXPECT_FALSE(http.Get("http:///x"));
  EXPECT_TRUE(net.connections.empty());
  ASSERT_TRUE(http.Get("http://h/x"));
  EXPECT_FALSE(http.Get("http://h/y"));
  EXPECT_EQ(net.connections.size(), 1U);
  EXPECT_TRUE(recorder.events.empty());
}

TEST_F(HttpExchangeTest, ANewExchangeMayStartInsideTheDisconnectOfTheLast) {
  int started = 0;
  http.OnDisconnect = [&] {
    if (started++ == 0) {
      EXPECT_TRUE(http.Get("http://h/second"));
    }
  };
  ASSERT_TRUE(http.Get("http://h/first"));
  net.Last().Open();
  net.Last().Deliver("HTTP/1.0 200 OK\r\n\r\n");
  net.Last().PeerCloses();
  ASSERT_EQ(net.connections.size(), 2U);
  EXPECT_TRUE(http.Running());
  EXPECT_FALSE(net.records[0]->destroyed);
  net.Last().Open();
  EXPECT_EQ(net.LastRecord().written.rfind("GET /second HTTP/1.0\r\n", 0), 0U);
  EXPECT_TRUE(net.records[0]->destroyed) << "released by a later notification";
}

}  // namespace
}  // namespace lobbyfind::directory
