// The chat login: states, pages and the network's nickname service.
#include <gtest/gtest.h>

#include "chat_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using app::OnlineState;
using Strings = std::vector<std::string>;

class ChatLogin : public ChatFixture {};

TEST_F(ChatLogin, LoginConnectsToTheConfiguredServer) {
  struct Case {
    std::string file;
    std::string host;
    std::uint16_t port;
  };
  const Case cases[] = {
      {"", "irc.euirc.net", 6667},
      {"irc-host\r\n127.0.0.1\r\nirc-port\r\n16667\r\n", "127.0.0.1", 16667},
      {"irc-host\r\n\r\nirc-port\r\n99999\r\n", "irc.euirc.net", 6667},
      {"irc-port\r\nsix\r\n", "irc.euirc.net", 6667},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::filesystem::remove(config_path_);
    if (!c.file.empty()) WriteConfig(c.file);
    view_ = FakeView();
    timers_.made.clear();
    auto& form = CreateWithNick();
    form.Button7Click();
    EXPECT_EQ(Irc().record()->host, c.host);
    EXPECT_EQ(Irc().record()->port, c.port);
    EXPECT_EQ(form.GetOnlineState(), OnlineState::osConnecting);
    EXPECT_EQ(view_.status_panels[0], "Loggin in ... Trying to connect (13%)");
    EXPECT_TRUE(view_.PageVisible(Control::tab_Start));
    EXPECT_FALSE(view_.PageVisible(Control::tab_Internetgames));
  }
}

TEST_F(ChatLogin, MotdJoinsAndTheUserListBringsTheGamesPage) {
  auto& form = CreateWithNick();
  Login();
  Serve(":srv 376 me :End of MOTD command");
  EXPECT_EQ(Irc().TakeLines(), Strings{"JOIN #lobbyfind"});
  Names("me @zed bob Alice");
  EXPECT_EQ(Players(), (Strings{"Alice", "bob", "me", "zed"}));
  EXPECT_TRUE(form.IrcClient().Users().empty());
  EXPECT_EQ(form.GetOnlineState(), OnlineState::osOnline);
  EXPECT_TRUE(view_.PageVisible(Control::tab_Internetgames));
  EXPECT_FALSE(view_.PageVisible(Control::tab_Start));
  EXPECT_EQ(view_.ActivePage(), Control::tab_Internetgames);
  EXPECT_EQ(view_.status_panels[0], "Logging in ... done! (100%)");
}

TEST_F(ChatLogin, UserListInAnotherStateOnlyRefreshesTheList) {
  for (const OnlineState state : {OnlineState::osOnline, OnlineState::osIdentify, OnlineState::osOffline}) {
    auto& form = CreateWithNick();
    Login();
    form.SetOnlineState(state);
    Names("me bob");
    Names("carl");  // a second reply starts afresh
    EXPECT_EQ(Players(), Strings{"carl"});
    EXPECT_EQ(form.GetOnlineState(), state);
    EXPECT_TRUE(view_.PageVisible(Control::tab_Start));
    EXPECT_FALSE(view_.PageVisible(Control::tab_Internetgames));
    EXPECT_EQ(view_.ActivePage(), Control::tab_Start);
  }
}

TEST_F(ChatLogin, RegisteredNickWithPasswordIdentifies) {
  auto& form = CreateWithNick();
  view_.SetText(Control::Edit4, "s3cret");
  Login();
  NickServ("einen anderen Nickname.");
  EXPECT_EQ(form.GetOnlineState(), OnlineState::osIdentify);
  EXPECT_EQ(Irc().TakeLines(), Strings{"PRIVMSG NickServ :IDENTIFY s3cret"});
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_TRUE(Irc().connected);
  // The user list arriving now changes neither state nor pages.
  Names("me");
  EXPECT_EQ(form.GetOnlineState(), OnlineState::osIdentify);
  EXPECT_FALSE(view_.PageVisible(Control::tab_Internetgames));

  NickServ("Passwort akzeptiert - du bist jetzt angemeldet.");
  EXPECT_EQ(form.GetOnlineState(), OnlineState::osOnline);
  EXPECT_TRUE(view_.PageVisible(Control::tab_Internetgames));
  EXPECT_FALSE(view_.PageVisible(Control::tab_Start));
  EXPECT_EQ(view_.chat_log.back().text, "Successfully transfered your logins!");
  EXPECT_EQ(view_.chat_log.back().colour, app::kSystemColour);
  EXPECT_EQ(view_.status_panels[0], "Logging in ... done! (100%)");
}

TEST_F(ChatLogin, RefusalsDisconnectAndReturnToTheStartPage) {
  struct Case {
    const char* notice;
    const char* password;
    const char* message;
  };
  const Case cases[] = {
      {"einen anderen Nickname.", "", "You need to type in a password, because your Nick is registered!"},
      {"Falsches Passwort.", "wrong",
       "Your password was not corrrect!\r\nYou need to type in the correct password, because your Nick is "
       "registered!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.notice);
    view_ = FakeView();
    auto& form = CreateWithNick();
    view_.SetText(Control::Edit4, c.password);
    Login();
    Names("me bob");  // online, games page shown
    NickServ(c.notice);
    EXPECT_EQ(form.GetOnlineState(), OnlineState::osIdentify);
    EXPECT_EQ(view_.messages, Strings{c.message});
    EXPECT_TRUE(Irc().closed());
    EXPECT_TRUE(Players().empty());
    EXPECT_TRUE(view_.chat_log.empty());
    EXPECT_TRUE(view_.PageVisible(Control::tab_Start));
    EXPECT_FALSE(view_.PageVisible(Control::tab_Internetgames));
  }
}

TEST_F(ChatLogin, ServiceTextsCountOnlyAsExactNoticesOfNickServ) {
  auto& form = CreateWithNick();
  Login();
  Names("me");
  const std::size_t lines = view_.chat_log.size();
  Serve(":NickServ!service@services.test PRIVMSG me :Falsches Passwort.");
  Serve(":Nickserv!x@y NOTICE me :Falsches Passwort.");
  NickServ("Falsches Passwort. ");
  NickServ("falsches passwort.");
  EXPECT_EQ(form.GetOnlineState(), OnlineState::osOnline);
  EXPECT_TRUE(view_.messages.empty());
  ASSERT_EQ(view_.chat_log.size(), lines + 1);
  EXPECT_EQ(view_.chat_log.back().text, "NickServ whispers : Falsches Passwort.");
}

TEST_F(ChatLogin, ConnectionErrorsGoToTheChatLogAndLoginStaysUsable) {
  auto& form = CreateWithNick();
  form.Button7Click();
  Irc().Fail("Connection refused");  // the error, then the close
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.chat_log.back().text, "Chat connection error: Connection refused");
  EXPECT_EQ(view_.chat_log.back().colour, app::kSystemColour);
  EXPECT_EQ(form.GetOnlineState(), OnlineState::osConnecting);
  EXPECT_EQ(view_.status_panels[0], "Loggin in ... Trying to connect (13%)");
  EXPECT_TRUE(view_.PageVisible(Control::tab_Start));
  // A second login while one stands replaces it.
  Login();
  auto& first = Irc();
  form.Button7Click();
  EXPECT_TRUE(first.closed());
  EXPECT_EQ(net_.connections.size(), 3U);
  EXPECT_EQ(Irc().connect_calls(), 1);
}

TEST_F(ChatLogin, AServerThatHangsUpIsReportedOnceAndLoginIsBack) {
  struct Case {
    const char* name;
    bool with_error;
    Strings lines;
  };
  const Case cases[] = {
      {"closed", false, {"Chat connection error: the chat server closed the connection"}},
      {"reset", true, {"Chat connection error: Connection reset by peer"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view_ = FakeView();
    timers_.made.clear();
    auto& form = CreateWithNick();
    Login();
    Names("me bob");
    ASSERT_EQ(form.GetOnlineState(), OnlineState::osOnline);
    const std::size_t before = view_.chat_log.size();
    if (c.with_error) {
      Irc().Fail("Connection reset by peer");
    } else {
      Irc().PeerCloses();
    }
    Strings added;
    for (std::size_t i = before; i < view_.chat_log.size(); ++i) added.push_back(view_.chat_log[i].text);
    EXPECT_EQ(added, c.lines);
    EXPECT_TRUE(Players().empty());
    EXPECT_EQ(form.GetOnlineState(), OnlineState::osOnline) << "the game's presence goes on without the chat";
    EXPECT_TRUE(view_.PageVisible(Control::tab_Start));
    EXPECT_FALSE(view_.PageVisible(Control::tab_Internetgames));
    EXPECT_EQ(view_.ActivePage(), Control::tab_Start);
    // "Login" connects anew.
    form.Button7Click();
    EXPECT_EQ(Irc().connect_calls(), 1);
    EXPECT_EQ(form.GetOnlineState(), OnlineState::osConnecting);
  }
}

}  // namespace
}  // namespace lobbyfind::test
