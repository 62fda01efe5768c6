// Lines the chat events write, the players list and nickname changes.
#include <gtest/gtest.h>

#include "chat_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using Strings = std::vector<std::string>;

class ChatRoom : public ChatFixture {
 protected:
  void SetUp() override {
    CreateWithNick();
    Login();
    Names("me bob");
    view_.chat_log.clear();
  }
};

TEST_F(ChatRoom, MessagesAreLoggedInTheirForms) {
  Serve(":bob!b@h PRIVMSG #lobbyfind :hello all");
  Serve(":bob!b@h PRIVMSG #other :elsewhere");
  Serve(":bob!b@h PRIVMSG me :psst");
  ASSERT_EQ(view_.chat_log.size(), 3U);
  EXPECT_EQ(view_.chat_log[0].text, "bob : hello all");
  EXPECT_EQ(view_.chat_log[0].colour, app::kChatColour);
  EXPECT_EQ(view_.chat_log[1].text, "bob : elsewhere");
  EXPECT_EQ(view_.chat_log[2].text, "bob whispers : psst");
  EXPECT_EQ(view_.chat_log[2].colour, app::kWhisperColour);
}

TEST_F(ChatRoom, JoinPartQuitKick) {
  Serve(":carl!c@h JOIN #lobbyfind");
  Serve(":bob!b@h JOIN #lobbyfind");  // listed already: no second entry
  EXPECT_EQ(Players(), (Strings{"bob", "carl", "me"}));
  Serve(":carl!c@h PART #lobbyfind");
  Serve(":Bob!b@h PART #lobbyfind");  // not listed with that case: nothing
  Serve(":ghost!g@h QUIT :bye");
  Serve(":bob!b@h QUIT :bye");
  Serve(":op!o@h KICK #lobbyfind me :out");
  EXPECT_TRUE(Players().empty());
  EXPECT_EQ(ChatTexts(),
            (Strings{"carl joined.", "bob joined.", "carl has left", "bob quit", "me was kicked"}));
  for (const auto& line : view_.chat_log) EXPECT_EQ(line.colour, app::kNoticeColour);
}

TEST_F(ChatRoom, NickChangeRenamesEveryEntryIgnoringCase) {
  Serve(":carl!c@h JOIN #lobbyfind");
  Serve(":CARL!c@h JOIN #lobbyfind");
  Irc().TakeLines();
  view_.chat_log.clear();
  Serve(":carl!c@h NICK :dora");
  EXPECT_EQ(Players(), (Strings{"bob", "dora", "dora", "me"}));
  EXPECT_EQ(ChatTexts(), (Strings{"carl is now known as dora", "carl is now known as dora"}));
  EXPECT_TRUE(Irc().TakeLines().empty());  // not this user: nothing sent
  EXPECT_FALSE(String("PlayerName").has_value());
}

TEST_F(ChatRoom, TheServerRenamingThisUserRenamesTheGamesPlayerToo) {
  Serve(":ME!m@h NICK :Guest42");
  EXPECT_EQ(form_->IrcClient().Nickname(), "Guest42");
  EXPECT_EQ(String("PlayerName"), "Guest42");
  EXPECT_EQ(view_.Text(Control::currentplayername), "Guest42");
  EXPECT_EQ(Players(), (Strings{"bob", "Guest42"}));
  EXPECT_EQ(ChatTexts(),
            (Strings{"The server changed your nickname, because, yours was registred by an other user already!",
                     "ME is now known as Guest42"}));
  // Setting the nickname and the name field's handling each send NICK.
  EXPECT_EQ(Irc().TakeLines(), (Strings{"NICK Guest42", "NICK Guest42"}));
}

TEST_F(ChatRoom, NickChangeWithAnEmptyListDoesNothing) {
  Names("");
  view_.chat_log.clear();
  Serve(":me!m@h NICK :other");
  EXPECT_TRUE(view_.chat_log.empty());
  EXPECT_EQ(form_->IrcClient().Nickname(), "me");
}

TEST_F(ChatRoom, NicknameInUseAsksWithASuggestionAndCancelTakesIt) {
  Serve(":srv 433 * me :Nickname is already in use");
  ASSERT_EQ(view_.input_queries.size(), 1U);
  EXPECT_EQ(view_.input_queries[0],
            "Choose a different Nickname ...|Some one else uses the Nickname \"me\", please choose an other");
  // First draw of the generator from 0 is 1; the fake dialog's Cancel returns
  // the initial text.
  EXPECT_EQ(form_->IrcClient().Nickname(), "me1");
  EXPECT_EQ(view_.Text(Control::currentplayername), "me1");
  EXPECT_EQ(String("PlayerName"), "me1");
  EXPECT_EQ(Irc().TakeLines(), (Strings{"NICK me1", "NICK me1", "NICK me1", "NICK me1"}));

  view_.input_answer = "chosen";
  Serve(":srv 433 * me1 :Nickname is already in use");
  EXPECT_EQ(form_->IrcClient().Nickname(), "chosen");
  EXPECT_EQ(String("PlayerName"), "chosen");
}

TEST_F(ChatRoom, AFailingEventHandlerIsReportedAndTheChatGoesOn) {
  registry_.FailWritesOf("PlayerName");
  Serve(":me!m@h NICK :renamed");
  ASSERT_FALSE(view_.messages.empty());
  EXPECT_EQ(view_.messages[0], "Konnte Daten für 'PlayerName' nicht setzen");
  Serve(":bob!b@h PRIVMSG #lobbyfind :still here");
  EXPECT_EQ(view_.chat_log.back().text, "bob : still here");
}

}  // namespace
}  // namespace lobbyfind::test
