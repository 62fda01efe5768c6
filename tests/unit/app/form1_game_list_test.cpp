// Timer2's periodic work, the game list, joining and hosting, over the fake
// View, fake sockets, an in-memory registry and a fake window control.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "game/connection_address.h"
#include "game/game_bridge.h"
#include "game/game_settings.h"
#include "network_fixture.h"
#include "presence/session_enumeration.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using app::OnlineState;

const std::string kServers = "GIVEME=SERVERS";
const std::string kDelServer = "GIVEME=DELSERVER";

class GameListTest : public NetworkFixture {
 protected:
  app::TForm1& Online() {
    auto& form = Create();
    form.SetOnlineState(OnlineState::osOnline);
    return form;
  }
  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) Timer2().Tick();
  }
  // Datagrams sent to the own machine, each checked to be the request.
  [[nodiscard]] int OwnPings() const {
    int count = 0;
    for (const auto& d : udp_->sent) {
      if (d.host != "127.0.0.1") continue;
      EXPECT_EQ(d.port, presence::kEnumerationPort);
      EXPECT_EQ(d.bytes, presence::SessionRequest());
      ++count;
    }
    return count;
  }
  // The hosted game answers the own ping, announcing `game_port`.
  void LocalAnswer(std::uint16_t game_port = 2300) {
    listener_->Connect("127.0.0.1")->Deliver(presence::SessionReply(game_port, "my game", 6, 1));
  }
  // The address the game would join, read back from its settings.
  [[nodiscard]] std::vector<std::vector<std::uint8_t>> AddressWrites() const {
    std::vector<std::vector<std::uint8_t>> writes;
    for (const auto& w : registry_.writes()) {
      if (w.value.type == game::reg_type::kBinary && w.name == "TCPIPAddrStringd") writes.push_back(w.value.data);
    }
    return writes;
  }
  void ShowServers(const std::vector<Server>& servers) {
    form_->Button2Click();
    Reply(ServersReply(servers));
  }
  // The directory answers every request there is, running or waiting.
  void AnswerAll() {
    while (form_->Webinterface().Busy()) Reply("");
  }
  // "Login" pressed and the chat server lets the user into the channel.
  FakeTcpConnection& LogIn() {
    form_->Button7Click();
    FakeTcpConnection& chat = net_.Last();
    chat.Open();
    chat.Deliver(":srv 353 me = #lobbyfind :me\r\n:srv 366 me #lobbyfind :End of NAMES list\r\n");
    EXPECT_EQ(form_->GetOnlineState(), OnlineState::osOnline);
    return chat;
  }
  // One tick. A game hosted here answers each ping of the own machine, as
  // long as it runs.
  void TickWithHostedGame(bool game_runs) {
    const int pings = OwnPings();
    Tick();
    if (game_runs && OwnPings() > pings) LocalAnswer();
  }
};

TEST_F(GameListTest, LoggedInEachTickQueuesOneServerListRequestAndPingsTheOwnMachine) {
  Online();
  for (int tick = 0; tick < 3; ++tick) {
    Tick();
    AnswerAll();
  }
  EXPECT_EQ(Requests(), (std::vector<std::string>{kServers, kServers, kServers}));
  EXPECT_EQ(OwnPings(), 3);
  EXPECT_TRUE(listener_->listening);
  EXPECT_EQ(listener_->listening_port, presence::kAnswerPort);
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osOnline);
  EXPECT_TRUE(NewChatLines().empty());
}

TEST_F(GameListTest, AnswerServerOpensOnTheFirstTickAndIsRetriedUntilThePortIsFree) {
  Create();
  EXPECT_EQ(listener_->listen_calls, 0) << "not before the first tick";
  listener_->refuse = true;
  Tick(2);
  EXPECT_EQ(listener_->listen_calls, 2);
  EXPECT_FALSE(listener_->listening);
  listener_->refuse = false;
  Tick(3);
  EXPECT_EQ(listener_->listen_calls, 3) << "an open server is left alone";
  EXPECT_TRUE(listener_->listening);
  EXPECT_TRUE(NewChatLines().empty()) << "a taken port is not reported";
}

TEST_F(GameListTest, StartingAndClosingTheGameMarksPlayingAndNotPlaying) {
  Online();
  Tick();
  AnswerAll();
  windows_.Open("GTA2");
  Tick();  // still refreshes and pings, then switches
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osPlaying);
  EXPECT_EQ(Requests(), (std::vector<std::string>{kServers, kServers, kDelServer}));
  AnswerAll();
  EXPECT_EQ(OwnPings(), 2);
  EXPECT_EQ(NewChatLines(), std::vector<std::string>{"You are now marked, as playing!"});
  EXPECT_EQ(view_.chat_log.back().colour, app::kSystemColour);

  Tick(3);  // playing: no refresh, no ping
  EXPECT_EQ(Requests().size(), 3U);
  EXPECT_EQ(OwnPings(), 2);

  windows_.Close("GTA2");
  Tick();
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osOnline);
  EXPECT_EQ(NewChatLines(),
            (std::vector<std::string>{"You are now marked, as playing!", "You are now marked, as not playing!"}));
  EXPECT_EQ(Requests().size(), 3U) << "nothing is sent on the way back";
  Tick();
  EXPECT_EQ(Requests().back(), kServers) << "refreshes resume on the tick after";
  EXPECT_EQ(OwnPings(), 3);
}

TEST_F(GameListTest, OnlyTheGamesWindowWithTheWholeTitleCountsIgnoringCase) {
  Online();
  windows_.Open("GTA2 Manager");
  Tick();
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osOnline);
  // Explorer showing the game's folder carries the game's title.
  windows_.Open("GTA2", "C:\\Windows\\explorer.exe");
  Tick();
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osOnline);
  windows_.Open("gta2");
  Tick();
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osPlaying);
}

TEST_F(GameListTest, NothingHappensWhileNotLoggedIn) {
  for (const auto state : {OnlineState::osOffline, OnlineState::osConnecting, OnlineState::osIdentify}) {
    SCOPED_TRACE(static_cast<int>(state));
    auto& form = Create();
    form.SetOnlineState(state);
    windows_.Open("GTA2");
    Tick(2);
    EXPECT_EQ(form.GetOnlineState(), state);
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(udp_->sent.empty());
    EXPECT_TRUE(NewChatLines().empty());
    EXPECT_TRUE(listener_->listening) << "the answer server opens in every state";
    windows_.Close("GTA2");
    view_.chat_log.clear();
    timers_.made.clear();
  }
}

class HostingTest : public GameListTest {
 protected:
  HostingTest() {
    // One map in the game's catalogue, selected in the game.
    gta_dir_ = dir_ / "GTA2";
    std::filesystem::create_directories(gta_dir_ / "data");
    std::ofstream(gta_dir_ / "data" / "ste.mmp") << "GMPFile = ste.gmp\nDescription = Downtown\nPlayerCount = 6\n";
    game_.UseGtaDir(gta_dir_.string());
    registry_.PutDword(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, game::kMapIndexValue, 0);
  }

  // A window whose chat nickname, the name a hosted game is announced under, is set.
  app::TForm1& CreateHost() {
    app::TForm1& form = Create();
    form.IrcClient().SetNickname("Anna Lee");
    return form;
  }
  std::filesystem::path gta_dir_;
};

const std::string kAddServer = "GIVEME=ADDSERVER&SERVERNAME=Anna+Lee&PORT=2300&VERSION=4&MAP=Downtown";

TEST_F(HostingTest, ALocalAnswerAnnouncesTheGameWithNicknamePortVersionAndMap) {
  CreateHost().SetOnlineState(OnlineState::osOnline);
  Tick();
  LocalAnswer(2300);
  EXPECT_EQ(Requests(), (std::vector<std::string>{kServers, kAddServer}));
  EXPECT_TRUE(view_.Items(Control::ListBox1).empty()) << "a local answer touches no line";
}

TEST_F(HostingTest, FourTicksKeepTheListingTheFifthWithdrawsIt) {
  CreateHost().SetOnlineState(OnlineState::osOnline);
  Tick();
  LocalAnswer();
  const std::size_t after_answer = Requests().size();
  for (int tick = 1; tick <= 4; ++tick) {
    Tick();
    AnswerAll();
    EXPECT_TRUE(form_->presence().own_listing().ListingActive()) << "tick " << tick;
  }
  const auto kept = Requests();
  EXPECT_EQ(std::count(kept.begin() + static_cast<long>(after_answer), kept.end(), kDelServer), 0);
  Tick();
  EXPECT_FALSE(form_->presence().own_listing().ListingActive());
  EXPECT_EQ(Requests().back(), kDelServer);
  AnswerAll();
  Tick(3);
  const auto all = Requests();
  EXPECT_EQ(std::count(all.begin(), all.end(), kDelServer), 1) << "withdrawn once";
}

TEST_F(HostingTest, HostingUntilTheMatchStartsWithdrawsTwice) {
  CreateHost().SetOnlineState(OnlineState::osOnline);
  Tick();
  LocalAnswer();
  windows_.Open("GTA2", (gta_dir_ / "gta2.exe").string());
  Tick();  // the match started: withdrawn at once
  EXPECT_EQ(Requests(), (std::vector<std::string>{kServers, kAddServer, kDelServer, kServers}))
      << "the withdrawal goes ahead of the waiting list request";
  AnswerAll();
  Tick(3);
  EXPECT_EQ(Requests().size(), 4U) << "no pings while playing, so no new announcement";
  Tick();  // the fifth tick after the last local answer
  EXPECT_EQ(Requests(), (std::vector<std::string>{kServers, kAddServer, kDelServer, kServers, kDelServer}));
}

// The chat and the game's presence are separate: the chat server going away
// must not end the listing of a game that still runs here.
TEST_F(HostingTest, LosingTheChatKeepsAHostedGameListedWhileItAnswers) {
  CreateHost();
  FakeTcpConnection& chat = LogIn();
  TickWithHostedGame(true);
  ASSERT_TRUE(form_->presence().own_listing().ListingActive());
  chat.PeerCloses();
  EXPECT_EQ(NewChatLines().back(), "Chat connection error: the chat server closed the connection");
  EXPECT_TRUE(view_.PageVisible(Control::tab_Start)) << "\"Login\" is offered again";
  for (int tick = 1; tick <= 10; ++tick) {
    TickWithHostedGame(true);
    EXPECT_TRUE(form_->presence().own_listing().ListingActive()) << "tick " << tick;
  }
  for (int tick = 1; tick <= 4; ++tick) {
    TickWithHostedGame(false);
    EXPECT_TRUE(form_->presence().own_listing().ListingActive()) << "tick " << tick << " after the game ended";
  }
  const auto before = Requests();
  EXPECT_EQ(std::count(before.begin(), before.end(), kDelServer), 0);
  TickWithHostedGame(false);
  EXPECT_FALSE(form_->presence().own_listing().ListingActive());
  const auto after = Requests();
  EXPECT_EQ(std::count(after.begin(), after.end(), kDelServer), 1) << "withdrawn on the fifth tick";
}

TEST_F(GameListTest, LosingTheChatWhilePlayingStillMarksTheEndOfTheGame) {
  Create();
  FakeTcpConnection& chat = LogIn();
  windows_.Open("GTA2");
  Tick();
  ASSERT_EQ(form_->GetOnlineState(), OnlineState::osPlaying);
  chat.PeerCloses();
  Tick(2);
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osPlaying) << "the game still runs";
  windows_.Close("GTA2");
  Tick();
  EXPECT_EQ(NewChatLines().back(), "You are now marked, as not playing!");
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osOnline);
}

// A directory host that takes connections and never answers: every exchange
// ends only at its time-out while Timer2 keeps asking for the list.
TEST_F(HostingTest, ADirectoryThatNeverAnswersKeepsOneListRequestWaitingAndTheAnnouncementNext) {
  CreateHost().SetOnlineState(OnlineState::osOnline);
  UpdateconfigTimer().SetEnabled(false);
  const auto accept_all = [this] {
    for (std::size_t i = 0; i < net_.connections.size(); ++i) {
      const ConnectionRecord& record = *net_.records[i];
      if (!record.destroyed && !record.closed_by_owner && !net_.connections[i]->connected) {
        net_.connections[i]->Open();
      }
    }
  };
  const auto& queue = form_->Webinterface().Queue();
  const std::string servers_url = "http://127.0.0.1:8080/Vexnet/lobbyfind/webinterface.php?" + kServers;
  std::ptrdiff_t most_waiting = 0;
  std::size_t running_at_announcement = 0;
  constexpr int kSteps = 10 * 60 * 2;  // ten minutes in half seconds
  for (int step = 1; step <= kSteps; ++step) {
    timers_.Advance(500);
    clock_.Advance(500);
    accept_all();
    most_waiting = std::max(most_waiting, std::count(queue.begin(), queue.end(), servers_url));
    if (step == kSteps / 2) {
      running_at_announcement = net_.connections.size();
      LocalAnswer();
    }
  }
  EXPECT_EQ(most_waiting, 1);
  EXPECT_LE(queue.size(), 2U);
  // Time-outs really ended exchange after exchange (15 s each).
  EXPECT_GE(net_.connections.size(), 35U);
  ASSERT_GT(net_.connections.size(), running_at_announcement);
  EXPECT_EQ(SentQuery(*net_.records[running_at_announcement - 1]), kServers);
  EXPECT_EQ(SentQuery(*net_.records[running_at_announcement]), kAddServer)
      << "the announcement goes out right after the exchange that was running";
}

TEST_F(HostingTest, MapNameFollowsTheGamesStoredIndex) {
  struct Case {
    std::optional<std::uint32_t> index;
    std::string map;
  };
  for (const auto& c : {Case{0, "Downtown"}, Case{7, "%7Cerror%7C"}, Case{std::nullopt, ""}}) {
    game::MemoryRegistry registry;
    game::GameBridge bridge(registry, windows_, clock_);
    bridge.UseGtaDir(gta_dir_.string());
    if (c.index) registry.PutDword(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, game::kMapIndexValue, *c.index);
    auto deps = Deps();
    deps.game = &bridge;
    Create(std::move(deps)).IrcClient().SetNickname("Anna Lee");
    LocalAnswer(0x08FC);
    EXPECT_EQ(Requests().back(), "GIVEME=ADDSERVER&SERVERNAME=Anna+Lee&PORT=2300&VERSION=4&MAP=" + c.map);
    form_.reset();
  }
}

TEST_F(GameListTest, ServerListFillsTheListWithWaitingLinesAndPingsEachServer) {
  Online();
  ShowServers({{"Bob", "Downtown", "10.0.0.1"}, {"Eve", "Industrial", "10.0.0.2"}});
  EXPECT_EQ(view_.Items(Control::ListBox1), (std::vector<std::string>{"[*]Bob:Downtown", "[*]Eve:Industrial"}));
  ASSERT_EQ(udp_->sent.size(), 2U);
  EXPECT_EQ(udp_->sent[1].host, "10.0.0.2");
  clock_.monotonic_ms += 87;
  listener_->Connect("10.0.0.2")->Deliver(presence::SessionReply(2300, "x", 6, 1));
  EXPECT_EQ(view_.Items(Control::ListBox1), (std::vector<std::string>{"[*]Bob:Downtown", "[87ms] Eve:Industrial"}));
}

TEST_F(GameListTest, ConnectWithNothingSelectedOrAnEmptyListDoesNothing) {
  Online();
  form_->Button1Click();  // empty list
  ShowServers({{"Bob", "Downtown", "10.0.0.1"}, {"Eve", "Industrial", "10.0.0.2"}});
  form_->Button1Click();  // nothing selected
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_TRUE(registry_.writes().empty());
  EXPECT_TRUE(NewChatLines().empty());
}

TEST_F(GameListTest, DoubleClickJoinsThatEntrysAddress) {
  Online();
  view_.SetText(Control::currentgtadirectory, "/games/GTA2");
  ShowServers({{"Bob", "Downtown", "10.0.0.1"}, {"Eve", "Industrial", "10.0.0.2"}, {"Ann", "Ste", "10.0.0.3"}});
  view_.SetSelected(Control::ListBox1, 1, true);
  form_->Button1Click();
  EXPECT_EQ(AddressWrites(), std::vector<std::vector<std::uint8_t>>{game::WideAddress("10.0.0.2")});
  const std::string program = "/games/GTA2" + std::string(1, static_cast<char>(std::filesystem::path::preferred_separator)) + "gta2.exe";
  EXPECT_EQ(shell_.calls, (std::vector<FakeShell::Call>{{program, " -network", "/games/GTA2"}}));
  EXPECT_TRUE(NewChatLines().empty());
  EXPECT_EQ(form_->GetOnlineState(), OnlineState::osOnline) << "left to the next tick";
}

TEST_F(GameListTest, HostWritesAnEmptyAddressEvenAfterAJoin) {
  Online();
  view_.SetText(Control::currentgtadirectory, "/games/GTA2");
  ShowServers({{"Bob", "Downtown", "10.0.0.1"}});
  view_.SetSelected(Control::ListBox1, 0, true);
  form_->Button1Click();
  form_->Button4Click();
  EXPECT_EQ(AddressWrites(),
            (std::vector<std::vector<std::uint8_t>>{game::WideAddress("10.0.0.1"), game::WideAddress("")}));
  ASSERT_EQ(shell_.calls.size(), 2U);
  EXPECT_EQ(shell_.calls[1], shell_.calls[0]) << "hosting launches the game the same way";
}

TEST_F(GameListTest, ALaunchThatFailsIsNotReported) {
  Online();
  shell_.result = false;
  form_->Button4Click();
  EXPECT_EQ(shell_.calls.size(), 1U);
  EXPECT_TRUE(NewChatLines().empty());
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(GameListTest, AnAddressThatCannotBeWrittenIsShownAndTheGameIsNotStarted) {
  Online();
  registry_.FailWritesOf("TCPIPAddrStringd");
  form_->Button4Click();
  EXPECT_TRUE(shell_.calls.empty()) << "the game would join whatever address was there before";
  ASSERT_EQ(view_.messages.size(), 1U);
  EXPECT_NE(view_.messages[0].find("TCPIPAddrStringd"), std::string::npos);
}

// The registry of a running wineserver in small: a batch ends only when the
// test lets it, as Wine's tool ends on its own thread.
class SlowRegistry final : public game::RegistryBackend {
 public:
  explicit SlowRegistry(game::MemoryRegistry& inner) : inner_(inner) {}
  std::unique_ptr<game::RegistryKey> Open(game::RegistryRoot root, std::string_view path, bool create) override {
    return inner_.Open(root, path, create);
  }
  void WriteBatch(game::RegistryRoot root, std::vector<game::RegistryWrite> writes, game::WriteDone done) override {
    pending_.push_back([this, root, writes = std::move(writes), done = std::move(done)] {
      inner_.WriteBatch(root, writes, done);
    });
  }
  // Ends the oldest batch still on its way.
  void EndNext() {
    auto next = std::move(pending_.front());
    pending_.erase(pending_.begin());
    next();
  }
  [[nodiscard]] std::size_t Pending() const { return pending_.size(); }

 private:
  game::MemoryRegistry& inner_;
  std::vector<std::function<void()>> pending_;
};

TEST_F(GameListTest, TheGameIsLaunchedOnlyOnceTheSlowWriteIsInAndNotAfterAFailure) {
  SlowRegistry slow(registry_);
  game::GameBridge bridge(slow, windows_, clock_);
  auto deps = Deps();
  deps.game = &bridge;
  Create(std::move(deps)).SetOnlineState(OnlineState::osOnline);
  form_->Button4Click();
  form_->Button4Click();
  ASSERT_EQ(slow.Pending(), 2U);
  EXPECT_TRUE(shell_.calls.empty()) << "launched before the values were in";
  slow.EndNext();
  EXPECT_EQ(shell_.calls.size(), 1U);
  registry_.FailWritesOf("TCPIPAddrStringd");
  slow.EndNext();
  EXPECT_EQ(shell_.calls.size(), 1U) << "launched after a failed write";
  EXPECT_EQ(view_.messages, std::vector<std::string>{"Konnte Daten für 'TCPIPAddrStringd' nicht setzen"});
  // A write that ends after the window closed finds nothing to launch.
  form_->Button4Click();
  form_.reset();
  slow.EndNext();
  EXPECT_EQ(shell_.calls.size(), 1U);
}

TEST_F(GameListTest, TheChosenServerStaysChosenWhileTheListIsRefilled) {
  Online();
  ShowServers({{"Bob", "Downtown", "10.0.0.1"}, {"Eve", "Industrial", "10.0.0.2"}});
  view_.SetSelected(Control::ListBox1, 1, true);
  // Eve moved up: a server before her went away.
  ShowServers({{"Eve", "Industrial", "10.0.0.2"}, {"Zed", "Ste", "10.0.0.9"}});
  EXPECT_TRUE(view_.Selected(Control::ListBox1, 0));
  EXPECT_FALSE(view_.Selected(Control::ListBox1, 1));
  // Gone: nothing is chosen for the user.
  ShowServers({{"Zed", "Ste", "10.0.0.9"}});
  EXPECT_FALSE(view_.Selected(Control::ListBox1, 0));
}

TEST_F(GameListTest, CloseFreesTheNetworkPartsAndLateEventsFindNothingToDo) {
  auto& form = Online();
  Tick();  // opens the answer server, one request running
  ASSERT_TRUE(listener_->listening);
  form.FormClose();
  EXPECT_FALSE(form.HasWebinterface());
  EXPECT_TRUE(net_.records.back()->destroyed) << "the running exchange's connection is gone";
  EXPECT_FALSE(Timer2().enabled);
  form.Timer2Timer();
  form.Button1Click();
  form.HandleServerList({});
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(ReadConfig(), "") << "nothing is saved at close";
}

}  // namespace
}  // namespace lobbyfind::test
