// Notifications while the window is in the background, and the highlighted
// lines of the chat log.
#include <gtest/gtest.h>

#include "app/notifications.h"
#include "chat_fixture.h"
#include "directory/webinterface.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using app::Notice;
using app::NoticeMoment;
using GameNames = std::vector<std::string>;

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
  EXPECT_EQ(app::NotificationRules::ChannelMessage("bob", "me: go", kAway),
            (Notice{"bob in #lobbyfind", "me: go"}));
}

TEST(NotificationRules, EachNewGameOnceAndNeverTheFirstListOrTheOwn) {
  app::NotificationRules rules;
  const GameNames maps = {"m1", "m2", "m3", "m4"};
  // What the user finds on logging in is not new.
  EXPECT_TRUE(rules.GamesListed({"a", "b"}, maps, kAway).empty());
  EXPECT_EQ(rules.GamesListed({"a", "b", "c"}, maps, kAway),
            (std::vector<Notice>{{"New game: c", "c plays m3"}}));
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

class ChatNotices : public ChatFixture {
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
  void ListGames(const GameNames& names) {
    directory::tServerLists lists;
    lists.ServerNames = names;
    lists.Maps = GameNames(names.size(), "map");
    lists.IPs = GameNames(names.size(), "127.0.0.1");
    form_->HandleServerList(lists);
  }

  FakeNotifier notifier_;
};

TEST_F(ChatNotices, NotificationsAreOnUnlessSwitchedOffAndStoredAtOnce) {
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

TEST_F(ChatNotices, WhispersNamesAndNewGamesAreToldWhileAway) {
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

}  // namespace
}  // namespace lobbyfind::test
