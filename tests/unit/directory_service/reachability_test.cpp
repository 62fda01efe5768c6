#include "reachability.h"

#include <gtest/gtest.h>

#include "directory/http_exchange.h"
#include "directory/webinterface.h"
#include "directory_service.h"
#include "memory_entry_store.h"
#include "presence/session_enumeration.h"
#include "reply_document.h"
#include "support/fake_ports.h"

namespace lobbyfind::directory_service {
namespace {

constexpr ReachabilityLimits kCheckLimits{30000, 3000, 3};

// Each step: an announcement (port > 0), an answer from the address
// (port 0) or a look at the unanswered requests (port -1), at a time; what
// it must do to the datagrams sent so far.
struct LedgerStep {
  std::string ip;
  int port;
  std::int64_t at_ms;
  bool sends;
};

TEST(ReachabilityLedger, OneRequestPerEntryAndTimeToLiveAndNoneWhileAnAddressIsAsked) {
  ReachabilityLedger ledger(kCheckLimits);
  const std::vector<LedgerStep> steps = {
      {"203.0.113.5", 2300, 0, true},       // first announcement: asked
      {"203.0.113.5", 2300, 5000, false},   // refresh within the time-to-live
      {"203.0.113.5", 2301, 100, false},    // same address, request still out
      {"203.0.113.6", 2300, 100, true},     // another address
      {"203.0.113.5", 0, 200, false},       // answer: both entries reachable
      {"203.0.113.5", 2300, 29999, false},  // still within the time-to-live
      {"203.0.113.5", 2300, 30000, true},   // a time-to-live later: asked anew
  };
  for (const auto& s : steps) {
    bool sent = false;
    if (s.port > 0) sent = ledger.Announced(s.ip, s.port, s.at_ms);
    if (s.port == 0) ledger.Answered(s.ip);
    EXPECT_EQ(sent, s.sends) << s.ip << ":" << s.port << " at " << s.at_ms;
  }
  EXPECT_EQ(ledger.Result("203.0.113.5", 2300), Reachability::kReachable) << "the old result until the new answer";
  EXPECT_EQ(ledger.Result("203.0.113.5", 2301), Reachability::kReachable);
  EXPECT_EQ(ledger.Result("203.0.113.6", 2300), Reachability::kUnknown) << "still waiting";
}

TEST(ReachabilityLedger, SilenceMakesUnreachableAndLateOrForeignAnswersCountForNothing) {
  ReachabilityLedger ledger(kCheckLimits);
  ASSERT_TRUE(ledger.Announced("198.51.100.1", 2300, 0));
  EXPECT_FALSE(ledger.Answered("198.51.100.2")) << "nobody asked that address";
  EXPECT_FALSE(ledger.Awaits("198.51.100.2"));
  EXPECT_FALSE(ledger.Expire(2999));
  EXPECT_TRUE(ledger.Expire(3000));
  EXPECT_EQ(ledger.Result("198.51.100.1", 2300), Reachability::kUnreachable);
  EXPECT_FALSE(ledger.Answered("198.51.100.1")) << "an answer after the wait is not taken";
  EXPECT_EQ(ledger.Result("198.51.100.1", 2300), Reachability::kUnreachable);
  EXPECT_FALSE(ledger.Announced("198.51.100.1", 2300, 10000)) << "no second request within the time-to-live";
  ledger.Expire(40000);
  EXPECT_EQ(ledger.Size(), 0u) << "an entry not announced for a time-to-live is forgotten";
}

TEST(ReachabilityLedger, RemembersAtMostItsLimitOfEntries) {
  ReachabilityLedger ledger(kCheckLimits);
  EXPECT_TRUE(ledger.Announced("192.0.2.1", 1, 0));
  EXPECT_TRUE(ledger.Announced("192.0.2.2", 1, 0));
  EXPECT_TRUE(ledger.Announced("192.0.2.3", 1, 0));
  EXPECT_FALSE(ledger.Announced("192.0.2.4", 1, 10)) << "full: nothing sent, nothing kept";
  EXPECT_EQ(ledger.Size(), 3u);
  EXPECT_TRUE(ledger.Announced("192.0.2.4", 1, 30000)) << "room again once the others are forgotten";
  EXPECT_EQ(ledger.Size(), 1u);
}

TEST(SessionRequestForTheCheck, NamesTheAnswerPortAndIsNoLargerThanTheLobbysOwn) {
  const std::string request = presence::SessionRequest(47000);
  EXPECT_EQ(request.size(), presence::SessionRequest().size());
  EXPECT_EQ(static_cast<unsigned char>(request[6]) * 256 + static_cast<unsigned char>(request[7]), 47000);
  EXPECT_TRUE(presence::IsGameSessionRequest(request));
}

// A check whose requests are counted instead of sent.
class LedgerCheck final : public ReachabilityCheck {
 public:
  void Announced(const std::string& ip, int port, std::int64_t now_ms) override {
    sent += ledger.Announced(ip, port, now_ms) ? 1 : 0;
  }
  Reachability Result(const std::string& ip, int port) override { return ledger.Result(ip, port); }

  ReachabilityLedger ledger{kCheckLimits};
  int sent = 0;
};

TEST(DirectoryServiceReachability, StoredAnnouncementsAreCheckedAndTheCachedListFollowsTheResult) {
  MemoryEntryStore store;
  LedgerCheck check;
  ServiceLimits limits;
  limits.rate_per_second = 0;
  limits.max_per_ip = 1;
  DirectoryService service(store, {}, limits, &check);
  const std::string script = "/Vexnet/lobbyfind/webinterface.php?";
  const auto get = [&](const std::string& query, const std::string& client, std::int64_t now) {
    return service.Handle({client, script + query, now});
  };
  ASSERT_EQ(get("GIVEME=ADDSERVER&PORT=2300", "203.0.113.9", 1000).status, 200);
  EXPECT_EQ(get("GIVEME=ADDSERVER&PORT=2301", "203.0.113.9", 1000).status, 429);
  EXPECT_EQ(check.sent, 1) << "a refused announcement is not checked";
  const std::string before = get("GIVEME=SERVERS", "192.0.2.1", 1100).Body();
  EXPECT_EQ(before.find("<reachable>"), std::string::npos) << "no result yet, no element";

  check.ledger.Answered("203.0.113.9");
  service.ListChanged();
  const std::string after = get("GIVEME=SERVERS", "192.0.2.1", 1200).Body();
  EXPECT_NE(after.find("<version></version><reachable>yes</reachable></server>"), std::string::npos) << after;
}

TEST(DirectoryServiceReachability, TheLobbysReplyParserReadsAListWithResultsUnchanged) {
  const std::vector<ServerEntry> entries = {{"203.0.113.9", 2300, "Anna", "Downtown", "4", 0, 1714564800000},
                                            {"198.51.100.7", 2301, "Bob", "Industrial", "4", 0, 1714564801000}};
  const auto parse = [](const std::string& body) {
    test::FakeNetwork net;
    directory::HttpExchange http{net.ConnectionFactory(), net.TimerFactory()};
    directory::cWebinterface web{http, "dir.example:8080"};
    web.RequestServerList();
    net.Last().Open();
    net.Last().Deliver("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body);
    net.Last().PeerCloses();
    return web.ServerLists();
  };
  const std::string with = ServersDocument(entries, [](const ServerEntry& e) {
    return e.port == 2300 ? Reachability::kReachable : Reachability::kUnreachable;
  });
  ASSERT_NE(with.find("<reachable>no</reachable>"), std::string::npos);
  auto plain = parse(ServersDocument(entries));
  ASSERT_EQ(plain.ServerNames.size(), 2u);
  // The six lists are the same; beside them, the unreachable game is known.
  plain.Unreachable = {false, true};
  EXPECT_EQ(parse(with), plain);
}

TEST(PortCheckLedger, OneConnectionPerAddressAndPeriod) {
  PortCheckLedger ledger(30000, 2);
  struct Step {
    const char* what;
    const char* ip;
    std::int64_t now_ms;
    std::optional<Reachability> answer;  // nothing: connect now
    std::optional<bool> done;            // the connection's outcome, reported after
  };
  const Step steps[] = {
      {"first request: connect", "203.0.113.9", 0, std::nullopt, std::nullopt},
      {"asked again while connecting: no second connection", "203.0.113.9", 10, Reachability::kUnknown, true},
      {"within the period: the last result", "203.0.113.9", 29999, Reachability::kReachable, std::nullopt},
      {"another address: its own check", "198.51.100.7", 100, std::nullopt, false},
      {"its result", "198.51.100.7", 200, Reachability::kUnreachable, std::nullopt},
      {"full of recent checks: a third address waits", "192.0.2.1", 300, Reachability::kUnknown, std::nullopt},
      {"a period later: connect again", "203.0.113.9", 30000, std::nullopt, false},
      {"and room for a new address once an old check aged", "192.0.2.1", 30100, std::nullopt, std::nullopt},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(ledger.Begin(step.ip, step.now_ms), step.answer) << step.what;
    if (step.done) ledger.Done(step.ip, *step.done);
  }
  EXPECT_EQ(ledger.Size(), 2u);
}

// A check that records whom it was asked to connect to.
class RecordingPortCheck final : public ReachabilityCheck {
 public:
  void Announced(const std::string&, int, std::int64_t) override {}
  Reachability Result(const std::string&, int) override { return Reachability::kUnknown; }
  Reachability CheckPort(const std::string& ip, std::int64_t) override {
    asked.push_back(ip);
    return Reachability::kUnreachable;
  }
  std::vector<std::string> asked;
};

TEST(DirectoryServiceReachability, CheckPortsConnectsOnlyToTheRequesterAndSaysWhatItFound) {
  MemoryEntryStore store;
  RecordingPortCheck check;
  ServiceLimits limits;
  limits.rate_per_second = 0;
  DirectoryService service(store, {}, limits, &check);
  // An address in the query is no address to check: only the requester's is.
  const auto reply =
      service.Handle({"203.0.113.9", "/Vexnet/lobbyfind/webinterface.php?GIVEME=CHECKPORTS&IP=198.51.100.7", 0});
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.Body(), "<titel>CHECKPORTS</titel>\n<ip>203.0.113.9</ip>\n<reachable>no</reachable>\n");
  EXPECT_EQ(check.asked, std::vector<std::string>{"203.0.113.9"});

  DirectoryService unchecked(store, {}, limits);
  EXPECT_EQ(unchecked.Handle({"203.0.113.9", "/Vexnet/lobbyfind/webinterface.php?GIVEME=CHECKPORTS", 0}).status, 404)
      << "a directory started without the check says so";
}

}  // namespace
}  // namespace lobbyfind::directory_service
