// Notifications while the window is in the background, the highlighted
// lines, and the chat aids as the window's chat input and log use them.
#include <gtest/gtest.h>

#include "app/notifications.h"
#include "chat_fixture.h"
#include "directory/webinterface.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using app::Notice;
using app::NoticeMoment;
using Texts = std::vector<std::string>;

constexpr NoticeMoment kAway{"me", false, true};

TEST(NotificationRules, MessagesOnlyWhenAwayWantedAndNotOwn) {
  struct Case {
    const char* what;
    NoticeMoment at;
    std::string from;
    std::string content;
    bool whisper_told;
    bool channel_told;
  };
  const Case cases[] = {
      {"away, names me", kAway, "bob", "hi me", true, true},
      {"away, other text", kAway, "bob", "hi all", true, false},
      {"window in front", {"me", true, true}, "bob", "hi me", false, false},
      {"switched off", {"me", false, false}, "bob", "hi me", false, false},
      {"own line", kAway, "ME", "me me", false, false},
      {"name in a longer word", kAway, "bob", "meme", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(app::NotificationRules::WhisperArrived(c.from, c.content, c.at).has_value(), c.whisper_told);
    EXPECT_EQ(app::NotificationRules::ChannelMessage(c.from, c.content, c.at).has_value(), c.channel_told);
  }
  EXPECT_EQ(app::NotificationRules::WhisperArrived("bob", "psst", kAway), (Notice{"bob whispers", "psst"}));
  EXPECT_EQ(app::NotificationRules::ChannelMessage("bob", "me: go", kAway), (Notice{"bob in #lobbyfind", "me: go"}));
}

TEST(NotificationRules, EachNewGameOnceAndNeverTheFirstListOrTheOwn) {
  app::NotificationRules rules;
  const Texts maps = {"m1", "m2", "m3", "m4"};
  // What the user finds on logging in is not new.
  EXPECT_TRUE(rules.GamesListed({"a", "b"}, maps, kAway).empty());
  EXPECT_EQ(rules.GamesListed({"a", "b", "c"}, maps, kAway), (std::vector<Notice>{{"New game: c", "c plays m3"}}));
  // Listed again, gone and back: told of once only.
  EXPECT_TRUE(rules.GamesListed({"a", "b", "c"}, maps, kAway).empty());
  EXPECT_TRUE(rules.GamesListed({"a"}, maps, kAway).empty());
  EXPECT_TRUE(rules.GamesListed({"a", "c"}, maps, kAway).empty());
  // The own game, a game seen while the window was in front, a game that
  // came while switched off: none of them later either.
  EXPECT_TRUE(rules.GamesListed({"ME", "d"}, {"x", ""}, {"me", true, true}).empty());
  EXPECT_TRUE(rules.GamesListed({"e"}, {}, {"me", false, false}).empty());
  EXPECT_TRUE(rules.GamesListed({"ME", "d", "e"}, {}, kAway).empty());
  EXPECT_EQ(rules.GamesListed({"f"}, {}, kAway), (std::vector<Notice>{{"New game: f", "f"}}));
}

TEST(NotificationRules, ManyNewGamesAtOnceAreOneNotice) {
  app::NotificationRules rules;
  (void)rules.GamesListed({}, {}, kAway);
  EXPECT_EQ(rules.GamesListed({"a", "b", "c"}, {}, kAway).size(), 3U);
  EXPECT_EQ(rules.GamesListed({"d", "e", "f", "g"}, {}, kAway),
            (std::vector<Notice>{{"4 new games", "d, e, f, g"}}));
}

class ChatAids : public ChatFixture {
 protected:
  void SetUp() override {
    auto deps = Deps();
    deps.notifier = &notifier_;
    Create(std::move(deps));
    UpdateconfigTimer().Tick();
    form_->IrcClient().SetNickname(kNick);
    Login();
    Names("me bob Bonnie carl");
    Irc().TakeLines();
    view_.chat_log.clear();
  }
  bool Press(app::Key key) { return form_->Edit3KeyDown(key); }
  std::string Input() const { return view_.Text(Control::Edit3); }
  void Send(const std::string& text) {
    view_.SetText(Control::Edit3, text);
    form_->Edit3KeyUp(app::Key::Enter);
  }
  void ListGames(const Texts& names) {
    directory::tServerLists lists;
    lists.ServerNames = names;
    lists.Maps = Texts(names.size(), "map");
    lists.IPs = Texts(names.size(), "127.0.0.1");
    form_->HandleServerList(lists);
  }

  FakeNotifier notifier_;
};

TEST_F(ChatAids, NotificationsAreOnUnlessSwitchedOffAndStoredAtOnce) {
  for (Control box : {Control::notifynewgames, Control::notifywhispers, Control::notifymynick}) {
    EXPECT_TRUE(view_.Checked(box));
  }
  EXPECT_EQ(ReadConfig(), "");  // the defaults are not written
  view_.SetChecked(Control::notifywhispers, false);
  form_->ControlClicked(Control::notifywhispers);
  view_.SetChecked(Control::notifymynick, false);
  form_->ControlKeyUp(Control::notifymynick);
  EXPECT_EQ(ReadConfig(), "notify-whispers\r\n0\r\nnotify-mynick\r\n0\r\n");
  Serve(":bob!b@h PRIVMSG me :psst");
  Serve(":bob!b@h PRIVMSG #lobbyfind :me?");
  EXPECT_TRUE(notifier_.shown.empty());

  // A new window reads them back; a missing key stays on.
  WriteConfig("notify-whispers\r\n0\r\nnotify-newgames\r\n1\r\n");
  form_.reset();
  timers_.made.clear();  // the old window's timers went with it
  CreateAndLoad();
  EXPECT_FALSE(view_.Checked(Control::notifywhispers));
  EXPECT_TRUE(view_.Checked(Control::notifynewgames));
  EXPECT_TRUE(view_.Checked(Control::notifymynick));
}

TEST_F(ChatAids, WhispersNamesAndNewGamesAreToldWhileAway) {
  Serve(":bob!b@h PRIVMSG me :psst");
  Serve(":bob!b@h PRIVMSG #lobbyfind :hi ME, a game?");
  Serve(":bob!b@h PRIVMSG #lobbyfind :hi all");
  ListGames({"bob"});
  ListGames({"bob", "carl", "me"});
  notifier_.active = true;
  Serve(":carl!c@h PRIVMSG me :seen?");
  ListGames({"bob", "carl", "dora"});
  EXPECT_EQ(notifier_.shown, (std::vector<FakeNotifier::Shown>{{"bob whispers", "psst"},
                                                                {"bob in #lobbyfind", "hi ME, a game?"},
                                                                {"New game: carl", "carl plays map"}}));
}

TEST_F(ChatAids, LinesNamingTheUserAreHighlightedTheTextUnchanged) {
  Serve(":bob!b@h PRIVMSG #lobbyfind :me: join <b>me</b>");
  Serve(":bob!b@h PRIVMSG #lobbyfind :memo");
  ASSERT_EQ(view_.chat_log.size(), 2U);
  EXPECT_EQ(view_.chat_log[0].text, "bob : me: join <b>me</b>");
  EXPECT_EQ(view_.chat_log[0].colour, app::kHighlightColour);
  EXPECT_EQ(view_.chat_log[1].colour, app::kChatColour);
}

TEST_F(ChatAids, TabCompletesUpAndDownRecall) {
  view_.SetText(Control::Edit3, "bo");
  EXPECT_TRUE(Press(app::Key::Tab));
  EXPECT_EQ(Input(), "bob: ");
  EXPECT_TRUE(Press(app::Key::Tab));
  EXPECT_EQ(Input(), "Bonnie: ");
  view_.SetText(Control::Edit3, "zz");
  EXPECT_TRUE(Press(app::Key::Tab));  // nothing fits: kept, and the focus stays
  EXPECT_EQ(Input(), "zz");
  EXPECT_FALSE(Press(app::Key::Other));

  Send("first");
  Send("/w bob second");
  view_.SetText(Control::Edit3, "half");
  EXPECT_TRUE(Press(app::Key::Up));
  EXPECT_EQ(Input(), "/w bob second");
  EXPECT_TRUE(Press(app::Key::Up));
  EXPECT_TRUE(Press(app::Key::Up));
  EXPECT_EQ(Input(), "first");
  EXPECT_TRUE(Press(app::Key::Down));
  EXPECT_TRUE(Press(app::Key::Down));
  EXPECT_EQ(Input(), "half");
  Irc().TakeLines();
  Send(Input());
  EXPECT_EQ(Irc().TakeLines(), Texts{"PRIVMSG #lobbyfind :half"});
}

TEST_F(ChatAids, AClickOnAnAddressOpensItThroughTheShell) {
  form_->ChatLogClicked("bob : see www.gta2.example and <script>", 14);
  form_->ChatLogClicked("bob : see www.gta2.example and <script>", 30);
  form_->ChatLogClicked("bob : javascript:alert(1)", 8);
  EXPECT_EQ(shell_.calls, (std::vector<FakeShell::Call>{{"http://www.gta2.example", "", ""}}));
}

}  // namespace
}  // namespace lobbyfind::test
