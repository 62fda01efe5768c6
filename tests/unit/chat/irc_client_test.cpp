#include "chat/irc_client.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/fake_ports.h"
#include "support/irc_event_recorder.h"

namespace lobbyfind::chat {
namespace {

using Strings = std::vector<std::string>;
using test::FakeNetwork;
using test::FakeTcpConnection;

// A client with every slot recording its event as "Name(arg|arg|...)".
class ClientFixture : public ::testing::Test {
 protected:
  ClientFixture() : client(ports.ConnectionFactory(), ports.TimerFactory()) {
    client.SetNickname("me");
    client.SetRealName("Real Me");
    testing::RecordAllEvents(client, events);
  }

  FakeTcpConnection& ConnectAndOpen() {
    client.Connect("irc.example", 6667);
    ports.Last().Open();
    ports.Last().TakeLines();
    return ports.Last();
  }

  FakeNetwork ports;
  TIrcClient client;
  Strings events;
};

// --- Received lines: events raised and lines answered ---

struct LineCase {
  const char* name;
  Strings reads;
  Strings expected_events;
  Strings expected_sent;
  friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class ReceivedLines : public ClientFixture, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ReceivedLines, RaiseTheirEventsAndAnswers) {
  FakeTcpConnection& conn = ConnectAndOpen();
  for (const std::string& read : GetParam().reads) conn.Deliver(read);
  EXPECT_EQ(events, GetParam().expected_events);
  EXPECT_EQ(conn.TakeLines(), GetParam().expected_sent);
}

const char* const kNick = "NICK me";
const char* const kUser = "USER me hostname irc.example :Real Me";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceivedLines,
    ::testing::Values(
        LineCase{"PingIsAnsweredAndPassedOn", {"PING :12345\r\n"}, {"NewDataArrived(Server|PING|PING|12345)"}, {"PONG 12345"}},
        LineCase{"ChannelMessageHoldingPing",
                 {":bob!b PRIVMSG #room :PING now\r\n"},
                 {"NewMessageInChannel(server|bob|room|PING now)"},
                 {"PONG PING now"}},
        LineCase{"PrivateMessage", {":bob!b PRIVMSG me :psst\r\n"}, {"NewPrivateMessage(server|bob|psst)"}, {}},
        LineCase{"NamesListThenEnd",
                 {":srv 353 me = #room :@ann +bob carl\r\n:srv 353 me = #room :dan \r\n",
                  ":srv 366 me #room :End of /NAMES list.\r\n"},
                 {"UserListReceived(Server|#room|ann,bob,carl,dan)"},
                 {}},
        LineCase{"NamesEndBeforeAnyNames", {":srv 366 me #room :End of /NAMES list.\r\n"}, {"UserListReceived(Server|#room|)"}, {}},
        LineCase{"JoinAndPart",
                 {":bob!b JOIN :#room\r\n:bob!b PART #room :bye\r\n"},
                 {"UserJoined(Server|bob|room)", "UserLeft(Server|bob|room)"},
                 {}},
        LineCase{"Kick", {":op!o KICK #room bob :spam\r\n"}, {"UserKicked(Server|op|room|bob|spam)"}, {}},
        LineCase{"NickAndQuit",
                 {":bob!b NICK :bobby\r\n:bob!b QUIT :gone\r\n"},
                 {"UserChangedNick(Server|bob|bobby)", "UserQuit(Server|bob|gone)"},
                 {}},
        LineCase{"NicknameInUse", {":srv 433 * bob :Nickname is already in use.\r\n"}, {"NicknameAllreadyUsed(Server|srv)"}, {}},
        LineCase{"HostnameFoundRegisters",
                 {"NOTICE * :*** Found your hostname (cached)\r\n"},
                 {},
                 {kNick, kUser}},
        LineCase{"LookingUpIsOnlyData",
                 {":srv NOTICE * :*** Looking up your hostname...\r\n"},
                 {"NewDataArrived(Server|srv|NOTICE *|*** Looking up your hostname...)"},
                 {}},
        LineCase{"CouldNotResolveRegisters",
                 {":srv NOTICE * :*** Could not resolve your hostname: Request timed out; using your IP address (127.0.0.1) instead.\r\n"},
                 {},
                 {kNick, kUser}},
        LineCase{"CouldntLookUpRegisters", {":srv NOTICE AUTH :*** Couldn't look up your hostname\r\n"}, {}, {kNick, kUser}},
        LineCase{"LookupNoticeRegistersOnlyOnce",
                 {"NOTICE * :*** Found your hostname\r\n", "NOTICE * :*** Found your hostname\r\n"},
                 {},
                 {kNick, kUser}},
        LineCase{"HostnameTextInPrivateMessageIsNoNotice",
                 {":bob!b PRIVMSG me :*** Found your hostname\r\n"},
                 {"NewPrivateMessage(server|bob|*** Found your hostname)"},
                 {}},
        LineCase{"CombinedModeRaisesNothing", {":op!o MODE #room +ov bob carl\r\n"}, {}, {}},
        LineCase{"SingleModes",
                 {":op!o MODE #room +o bob\r\n:op!o MODE #room -o bob\r\n:op!o MODE #room +v bob\r\n:op!o MODE #room -v bob\r\n"},
                 {"UserGetsOp(Server|op|room|bob)", "UserGetsDeOp(Server|op|room|bob)", "UserGetsV(Server|op|room|bob)",
                  "UserGetsDeV(Server|op|room|bob)"},
                 {}},
        LineCase{"ChannelModesTnl", {":srv 324 me #room +tnl 20\r\n"}, {"ChannelModies(Server|#room|010010000||20)"}, {}},
        LineCase{"ChannelModesKl", {":srv 324 me #room +kl secret 20\r\n"}, {"ChannelModies(Server|#room|010000001|secret|0)"}, {}},
        LineCase{"Topic",
                 {":srv 332 me #room :Welcome all\r\n:srv 331 me #other :No topic is set\r\n"},
                 {"ChannelTopic(Server|#room|1|Welcome all)", "ChannelTopic(Server|#other|0|)"},
                 {}},
        LineCase{"Whois",
                 {":srv 311 me bob ~b host * :Bob B\r\n:srv 312 me bob irc.srv :Our server\r\n"
                  ":srv 301 me bob :out for lunch\r\n:srv 307 me bob :is a registered nick\r\n"
                  ":srv 317 me bob 12 1000 :seconds idle\r\n:srv 319 me bob :@#room #other\r\n"
                  ":srv 318 me bob :End of /WHOIS list.\r\n"},
                 {"WhoIsInfo(Server|bob|1|12|@#room #other|1|1|out for lunch|~b host *|irc.srv)"},
                 {}},
        LineCase{"WhoisIdleNotANumber",
                 {":srv 317 me bob x 1000 :seconds idle\r\n:srv 318 me bob :End of /WHOIS list.\r\n"},
                 {"WhoIsInfo(Server|bob|1|32000||0|0|||)"},
                 {}},
        // Values of one WHOIS do not leak into the next.
        LineCase{"WhoisStartsAfresh",
                 {":srv 311 me bob ~b host * :Bob\r\n:srv 318 me bob :End\r\n:srv 401 me ghost :No such nick\r\n"
                  ":srv 318 me ghost :End\r\n"},
                 {"WhoIsInfo(Server|bob|1|0||0|0||~b host *|)", "NewDataArrived(Server|srv|401 me ghost|No such nick)",
                  "WhoIsInfo(Server|ghost|0|0||0|0|||)"},
                 {}},
        LineCase{"EndOfMotd", {":srv 376 me :End of MOTD command\r\n"}, {"MODTFinished(Server)"}, {}},
        // The table looks at the beginning of the middle part only: the text
        // of a message never makes it another command.
        LineCase{"MessageHoldingANumericIsAMessage",
                 {":bob!b PRIVMSG #room :376 KICK JOIN\r\n"},
                 {"NewMessageInChannel(server|bob|room|376 KICK JOIN)"},
                 {}},
        LineCase{"CommandInNoticeTextIsData",
                 {":srv NOTICE me :PRIVMSG #room :x\r\n"},
                 {"NewDataArrived(Server|srv|NOTICE me|PRIVMSG #room :x)"},
                 {}},
        // 433 is matched without a following space, so longer numbers starting
        // with it count as well.
        LineCase{"NicknameInUseMatchesAsPrefix", {":srv 4331 me :x\r\n"}, {"NicknameAllreadyUsed(Server|srv)"}, {}},
        LineCase{"UnknownNumericIsData", {":srv 372 me :- hello\r\n"}, {"NewDataArrived(Server|srv|372 me|- hello)"}, {}},
        LineCase{"EmptyLine", {"\r\n"}, {"NewDataArrived(Server|||)"}, {}},
        LineCase{"UnfinishedLineWaitsForTheRest", {"PING :1\r\nPING :2"}, {"NewDataArrived(Server|PING|PING|1)"}, {"PONG 1"}},
        LineCase{"LineSplitAcrossReads",
                 {"PING :1\r\nPI", "NG :2\r\n"},
                 {"NewDataArrived(Server|PING|PING|1)", "NewDataArrived(Server|PING|PING|2)"},
                 {"PONG 1", "PONG 2"}},
        LineCase{"LfAloneEndsALine",
                 {":bob!b PRIVMSG me :one\n:bob!b PRIVMSG me :two\r\n"},
                 {"NewPrivateMessage(server|bob|one)", "NewPrivateMessage(server|bob|two)"},
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Sending ---

TEST_F(ClientFixture, OperationsSendTheirLines) {
  FakeTcpConnection& conn = ConnectAndOpen();
  client.SendCommand("WHOIS bob");
  client.ChangeNick("other");
  client.JoinChannel("lobbyfind");
  client.SendChannelMessage("lobbyfind", "hi all");
  client.SendChannelMessage("lobbyfind", "");
  client.SendPrivateMessage("bob", "psst");
  EXPECT_EQ(conn.TakeLines(), (Strings{"WHOIS bob", "NICK other", "JOIN #lobbyfind", "PRIVMSG #lobbyfind :hi all",
                                       "PRIVMSG #lobbyfind :", "PRIVMSG bob :psst"}));
  EXPECT_EQ(client.Nickname(), "me");  // ChangeNick leaves it
}

TEST_F(ClientFixture, UserTextCannotInjectASecondLine) {
  FakeTcpConnection& conn = ConnectAndOpen();
  client.SendChannelMessage("lobbyfind", "hi\r\nQUIT :bye");
  client.SendPrivateMessage("bob", "a\nJOIN #evil");
  client.ChangeNick("x\rQUIT");
  client.SetNickname("y\nQUIT");
  EXPECT_EQ(conn.TakeLines(),
            (Strings{"PRIVMSG #lobbyfind :hiQUIT :bye", "PRIVMSG bob :aJOIN #evil", "NICK xQUIT", "NICK yQUIT"}));
  EXPECT_EQ(client.Nickname(), "yQUIT");
}

TEST_F(ClientFixture, NicknameIsSentOnlyOnceAConnectionExists) {
  client.SetNickname("early");
  EXPECT_TRUE(ports.connections.empty());
  client.Connect("irc.example", 6667);
  FakeTcpConnection& conn = ports.Last();
  client.SetNickname("opening");  // connection object exists, not yet open: dropped
  conn.Open();
  client.SetNickname("later");
  EXPECT_EQ(conn.TakeLines(), Strings{"NICK later"});
  EXPECT_EQ(client.Nickname(), "later");
  EXPECT_EQ(conn.record()->host, "irc.example");
  EXPECT_EQ(conn.record()->port, 6667);
  EXPECT_EQ(client.ServerHost(), "irc.example");
}

TEST_F(ClientFixture, DisconnectClosesWithoutQuit) {
  FakeTcpConnection& conn = ConnectAndOpen();
  client.Disconnect();
  EXPECT_TRUE(conn.closed());
  EXPECT_TRUE(conn.TakeLines().empty());
  client.SendChannelMessage("lobbyfind", "lost");  // dropped, no failure
  EXPECT_TRUE(conn.written().empty());
}

// --- Registration ---

TEST_F(ClientFixture, RegistersAfterFiveSecondsWithoutLookupNotice) {
  client.Connect("irc.example", 6667);
  EXPECT_FALSE(ports.LastTimer().enabled);  // the wait starts once connected
  FakeTcpConnection& conn = ports.Last();
  conn.Open();
  EXPECT_TRUE(ports.LastTimer().enabled);
  EXPECT_EQ(ports.LastTimer().interval, 5000u);
  conn.Deliver(":srv NOTICE * :*** Looking up your hostname\r\n");
  EXPECT_TRUE(conn.TakeLines().empty());
  ports.LastTimer().Tick();
  EXPECT_EQ(conn.TakeLines(), (Strings{kNick, kUser}));
  EXPECT_FALSE(ports.LastTimer().enabled);
  conn.Deliver("NOTICE * :*** Found your hostname\r\n");  // late notice: no second registration
  EXPECT_TRUE(conn.TakeLines().empty());
  EXPECT_TRUE(client.Registered());
}

TEST_F(ClientFixture, LookupNoticeStopsTheFallback) {
  FakeTcpConnection& conn = ConnectAndOpen();
  conn.Deliver("NOTICE * :*** Found your hostname\r\n");
  EXPECT_EQ(conn.TakeLines(), (Strings{kNick, kUser}));
  EXPECT_FALSE(ports.LastTimer().enabled);
  ports.LastTimer().enabled = true;  // even a stray tick must not register again
  ports.LastTimer().Tick();
  EXPECT_TRUE(conn.TakeLines().empty());
}

TEST_F(ClientFixture, RegistrationUsesTheValuesOfThatMoment) {
  FakeTcpConnection& conn = ConnectAndOpen();
  client.SetRealName("Someone Else");
  client.SetNickname("newer");
  conn.TakeLines();
  conn.Deliver("NOTICE * :*** Found your hostname\r\n");
  EXPECT_EQ(conn.TakeLines(), (Strings{"NICK newer", "USER newer hostname irc.example :Someone Else"}));
}

TEST_F(ClientFixture, AFailedConnectionStopsTheFallbackAndReportsTheError) {
  client.Connect("irc.example", 6667);
  ports.Last().Fail("Connection refused");
  // The port closes a connection that fails while opening, too.
  EXPECT_EQ(events, (Strings{"ConnectionError(Connection refused)", "ConnectionClosed()"}));
  EXPECT_FALSE(ports.LastTimer().enabled);
}

TEST_F(ClientFixture, ABrokenConnectionReportsTheErrorThenTheClose) {
  FakeTcpConnection& conn = ConnectAndOpen();
  conn.Fail("Connection reset by peer");
  EXPECT_EQ(events, (Strings{"ConnectionError(Connection reset by peer)", "ConnectionClosed()"}));
  EXPECT_FALSE(ports.LastTimer().enabled);
}

TEST_F(ClientFixture, OnlyTheServersCloseOfTheCurrentConnectionIsReported) {
  FakeTcpConnection& first = ConnectAndOpen();
  first.PeerCloses();
  EXPECT_EQ(events, Strings{"ConnectionClosed()"});
  events.clear();
  FakeTcpConnection& second = ConnectAndOpen();
  client.Connect("irc.example", 6667);  // replaces the second: its end is ours
  second.Fail("late");
  client.Disconnect();
  EXPECT_TRUE(events.empty());
}

TEST_F(ClientFixture, InvalidPortIsAConnectionError) {
  client.Connect("irc.example", 70000);
  EXPECT_EQ(ports.Last().connect_calls(), 0);
  EXPECT_EQ(events, Strings{"ConnectionError(Invalid port number)"});
}

// --- A second Connect ---

TEST_F(ClientFixture, ConnectAgainReplacesAndClosesTheOldConnection) {
  FakeTcpConnection& first = ConnectAndOpen();
  first.Deliver("PING :1\r\nPING :2");  // half a line left behind
  first.Deliver("NOTICE * :*** Found your hostname\r\n");
  first.TakeLines();
  events.clear();
  client.Connect("irc2.example", 6668);
  EXPECT_TRUE(first.closed());
  FakeTcpConnection& second = ports.Last();
  ASSERT_NE(&first, &second);
  second.Open();
  EXPECT_TRUE(ports.LastTimer().enabled);
  EXPECT_FALSE(client.Registered());
  second.Deliver("\r\nNOTICE * :*** Found your hostname\r\n");  // the old tail is gone
  EXPECT_EQ(events, Strings{"NewDataArrived(Server|||)"});
  EXPECT_EQ(second.TakeLines(), (Strings{kNick, "USER me hostname irc2.example :Real Me"}));
  first.Deliver("PING :stale\r\n");  // a stray read of the old one changes nothing
  EXPECT_TRUE(first.TakeLines().empty());
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(ClientFixture, LinesAfterADisconnectInAHandlerAreDropped) {
  FakeTcpConnection& conn = ConnectAndOpen();
  client.NewDataArrived = [&](const std::string&, const std::string& from, const std::string&, const std::string&) {
    events.push_back("data from " + from);
    client.Disconnect();
  };
  conn.Deliver(":NickServ NOTICE me :go away\r\n:bob!b JOIN :#room\r\n");
  EXPECT_EQ(events, Strings{"data from NickServ"});
}

TEST_F(ClientFixture, AReadDuringAHandlerIsDecodedAtOnce) {
  FakeTcpConnection& conn = ConnectAndOpen();
  bool nested = false;
  client.NicknameAllreadyUsed = [&](const std::string&, const std::string&) {
    events.push_back("dialog open");
    if (!nested) {
      nested = true;
      conn.Deliver("PING :during\r\n");  // delivered while the dialog runs
    }
  };
  conn.Deliver(":srv 433 * me :in use\r\n:bob!b JOIN :#room\r\n");
  EXPECT_EQ(events, (Strings{"dialog open", "NewDataArrived(Server|PING|PING|during)", "UserJoined(Server|bob|room)"}));
  EXPECT_EQ(conn.TakeLines(), Strings{"PONG during"});
}

TEST_F(ClientFixture, UnhandledNicknameInUseShowsTheServerText) {
  FakeTcpConnection& conn = ConnectAndOpen();
  client.NicknameAllreadyUsed = nullptr;
  conn.Deliver(":srv 433 * me :Nickname is already in use\r\n");
  EXPECT_EQ(events, Strings{"ShowMessage(Nickname is already in use)"});
}

TEST_F(ClientFixture, EmptySlotsRaiseNothing) {
  TIrcClient bare(ports.ConnectionFactory(), ports.TimerFactory());
  bare.Connect("irc.example", 6667);
  ports.Last().Open();
  ports.Last().Deliver(
      ":bob!b PRIVMSG #room :x\r\n:srv 433 * me :in use\r\n:srv 353 me = #r :a\r\n:srv 366 me #r :End\r\n"
      ":srv 318 me bob :End\r\n:op KICK #r a :x\r\n");
  EXPECT_EQ(bare.Users(), Strings{"a"});
  EXPECT_TRUE(events.empty());
}

TEST_F(ClientFixture, UsersListKeepsGrowingUntilTheReceiverEmptiesIt) {
  FakeTcpConnection& conn = ConnectAndOpen();
  conn.Deliver(":srv 353 me = #room :ann\r\n:srv 366 me #room :End\r\n:srv 353 me = #room :bob\r\n");
  EXPECT_EQ(client.Users(), (Strings{"ann", "bob"}));
  client.UserListReceived = [](const std::string&, const std::string&, std::vector<std::string>& users) {
    users.clear();
  };
  conn.Deliver(":srv 366 me #room :End\r\n:srv 353 me = #room :carl\r\n");
  EXPECT_EQ(client.Users(), Strings{"carl"});
}

}  // namespace
}  // namespace lobbyfind::chat
