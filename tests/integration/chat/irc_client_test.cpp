// TIrcClient over real loopback sockets against a real ngircd.
#include "chat/irc_client.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ngircd_server.h"  // from tests/support
#include "qt/qt_tcp_connection.h"
#include "qt/qt_timer.h"
#include "support/irc_event_recorder.h"

namespace lobbyfind::chat {
namespace {

using Strings = std::vector<std::string>;
using testing::NgircdServer;

// Bounded wait for replies; ngircd holds back JOIN replies for about a second.
constexpr int kWaitMs = 8000;

// One chat user: a client over the Qt adapters and the events it raised.
struct Peer {
  explicit Peer(const std::string& nick)
      : client(qt::MakeQtTcpConnectionFactory(), [] { return std::make_unique<qt::QtTimer>(); }) {
    client.SetNickname(nick);
    client.SetRealName("lobbyfind " + nick);
    testing::RecordAllEvents(client, events);
  }

  [[nodiscard]] bool Saw(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
  }
  [[nodiscard]] bool SawPrefix(const std::string& prefix) const {
    return std::any_of(events.begin(), events.end(), [&](const std::string& e) { return e.starts_with(prefix); });
  }
  bool WaitFor(const std::string& event) {
    return QTest::qWaitFor([&] { return Saw(event); }, kWaitMs);
  }

  TIrcClient client;
  Strings events;
};

class IrcClientAgainstNgircd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()) << server.Error(); }

  void Login(Peer& peer) {
    peer.client.Connect("127.0.0.1", server.Port());
    ASSERT_TRUE(peer.WaitFor("MODTFinished(Server)")) << testing::JoinTexts(peer.events, '\n');
  }

  NgircdServer server;
};

TEST_F(IrcClientAgainstNgircd, TwoUsersChatInTheChannel) {
  Peer alice("alice_lobby");
  Peer bob("bob_lobby");

  QElapsedTimer clock;
  clock.start();
  Login(alice);
  Login(bob);
  // Registered on the server's hostname notice, long before the fallback.
  EXPECT_LT(clock.elapsed(), TIrcClient::kRegistrationFallbackMs);
  EXPECT_TRUE(alice.Saw("NewDataArrived(Server|NOTICE|NOTICE *|*** Looking up your hostname)"));
  EXPECT_FALSE(alice.SawPrefix("NewDataArrived(Server|NOTICE|NOTICE *|*** Found your hostname"));

  alice.client.JoinChannel("lobbyfind");
  ASSERT_TRUE(alice.WaitFor("UserListReceived(Server|#lobbyfind|alice_lobby)"));
  alice.client.Users().clear();  // as the chat room does
  EXPECT_TRUE(alice.Saw("UserJoined(Server|alice_lobby|lobbyfind)"));

  bob.client.JoinChannel("lobbyfind");
  // The server lists the channel's users in an order of its own.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return bob.Saw("UserListReceived(Server|#lobbyfind|alice_lobby,bob_lobby)") ||
               bob.Saw("UserListReceived(Server|#lobbyfind|bob_lobby,alice_lobby)");
      },
      kWaitMs))
      << testing::JoinTexts(bob.events, '\n');
  ASSERT_TRUE(alice.WaitFor("UserJoined(Server|bob_lobby|lobbyfind)"));

  // 8-bit text passes unchanged both ways: Latin-1 and UTF-8 bytes, a CTCP
  // marker, a colon and a tab.
  const std::string channel_text = "hi all: \xE4\xF6\xFC \xC3\xA4 \x01" "ACTION waves\x01 a\tb :)";
  alice.client.SendChannelMessage("lobbyfind", channel_text);
  EXPECT_TRUE(bob.WaitFor("NewMessageInChannel(server|alice_lobby|lobbyfind|" + channel_text + ")"));

  const std::string whisper = "psst \xFF\x80 PING :not a ping";
  bob.client.SendPrivateMessage("alice_lobby", whisper);
  EXPECT_TRUE(alice.WaitFor("NewPrivateMessage(server|bob_lobby|" + whisper + ")"));

  bob.client.SetNickname("bobby_lobby");
  EXPECT_TRUE(alice.WaitFor("UserChangedNick(Server|bob_lobby|bobby_lobby)"));
  EXPECT_TRUE(bob.WaitFor("UserChangedNick(Server|bob_lobby|bobby_lobby)"));

  bob.client.SendCommand("QUIT :see you");
  EXPECT_TRUE(QTest::qWaitFor([&] { return alice.SawPrefix("UserQuit(Server|bobby_lobby|"); }, kWaitMs))
      << testing::JoinTexts(alice.events, '\n');

  alice.client.SendCommand("PART #lobbyfind :bye");
  EXPECT_TRUE(alice.WaitFor("UserLeft(Server|alice_lobby|lobbyfind)"));
  alice.client.Disconnect();

  EXPECT_FALSE(alice.SawPrefix("ConnectionError"));
  EXPECT_FALSE(bob.SawPrefix("ConnectionError"));
}

TEST_F(IrcClientAgainstNgircd, TakenNicknameRaisesNicknameInUseAndANewOneRegisters) {
  Peer first("carol_lobby");
  Login(first);

  Peer second("carol_lobby");
  second.client.NicknameAllreadyUsed = [&](const std::string& from_server, const std::string& from_user) {
    second.events.push_back("NicknameAllreadyUsed(" + from_server + "|" + from_user + ")");
    second.client.SetNickname("dave_lobby");
  };
  second.client.Connect("127.0.0.1", server.Port());
  ASSERT_TRUE(second.WaitFor(std::string("NicknameAllreadyUsed(Server|") + NgircdServer::kName + ")"))
      << testing::JoinTexts(second.events, '\n');
  ASSERT_TRUE(second.WaitFor("MODTFinished(Server)"));

  // The server knows the new name: the first user can whisper to it.
  first.client.SendPrivateMessage("dave_lobby", "welcome");
  EXPECT_TRUE(second.WaitFor("NewPrivateMessage(server|carol_lobby|welcome)"));
}

TEST_F(IrcClientAgainstNgircd, ASecondConnectReplacesTheFirstConnection) {
  Peer watcher("erin_lobby");
  Login(watcher);
  watcher.client.JoinChannel("lobbyfind");
  ASSERT_TRUE(watcher.WaitFor("UserListReceived(Server|#lobbyfind|erin_lobby)"));

  Peer user("frank_lobby");
  Login(user);
  user.client.JoinChannel("lobbyfind");
  ASSERT_TRUE(watcher.WaitFor("UserJoined(Server|frank_lobby|lobbyfind)"));

  // The server may not have seen the old connection go when the new one
  // registers; the name is then still taken for a moment.
  user.client.NicknameAllreadyUsed = [&](const std::string&, const std::string&) {
    user.client.SetNickname("frank2_lobby");
  };
  user.client.Connect("127.0.0.1", server.Port());  // a second Login
  EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.SawPrefix("UserQuit(Server|frank_lobby|"); }, kWaitMs))
      << testing::JoinTexts(watcher.events, '\n');
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return std::count(user.events.begin(), user.events.end(), "MODTFinished(Server)") == 2; }, kWaitMs))
      << testing::JoinTexts(user.events, '\n');
}

TEST_F(IrcClientAgainstNgircd, RefusedConnectionGoesToTheErrorSlot) {
  // A port nobody listens on (the server's own port may still be held for a
  // moment by its resolver children after it stopped).
  const std::uint16_t port = NgircdServer::FreeLoopbackPort();
  Peer lonely("gina_lobby");
  lonely.client.Connect("127.0.0.1", port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return lonely.SawPrefix("ConnectionError("); }, kWaitMs))
      << testing::JoinTexts(lonely.events, '\n');
  EXPECT_TRUE(lonely.SawPrefix("ConnectionError(Connection refused"));
  EXPECT_FALSE(lonely.client.Registered());
}

}  // namespace
}  // namespace lobbyfind::chat
