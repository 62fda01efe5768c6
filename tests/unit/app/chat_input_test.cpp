// The chat input: channel lines, whispers and the placeholder.
#include <gtest/gtest.h>

#include "app/control_texts.h"
#include "chat_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using Strings = std::vector<std::string>;

class ChatInput : public ChatFixture {
 protected:
  void SetUp() override {
    CreateWithNick();
    Login();
    Names("me bob carl dora");
    Irc().TakeLines();
    view_.chat_log.clear();
  }
  // Types the text and releases Enter; true when the key was consumed.
  bool Enter(const std::string& text) {
    view_.SetText(Control::Edit3, text);
    return form_->Edit3KeyUp(app::Key::Enter);
  }
};

TEST_F(ChatInput, EnterSendsByTheFormOfTheText) {
  struct Case {
    std::string typed;
    Strings sent;
    Strings logged;
  };
  const Case cases[] = {
      {"hello", {"PRIVMSG #lobbyfind :hello"}, {"me: hello"}},
      {"", {"PRIVMSG #lobbyfind :"}, {"me: "}},
      {"Type your Chatmessage here", {"PRIVMSG #lobbyfind :Type your Chatmessage here"},
       {"me: Type your Chatmessage here"}},
      {"/who", {}, {}},
      {"/WHO is there", {}, {}},
      {"/w bob hi there", {"PRIVMSG bob :hi there"}, {"To bob: hi there"}},
      {"/W bob hello there", {"PRIVMSG bob :hello there"}, {"To bob: hello there"}},
      {"/w bob ", {"PRIVMSG bob :"}, {"To bob: "}},
      {"/w bob", {}, {"To whisper, type: /w nickname message"}},
      {"/me waves", {"PRIVMSG #lobbyfind :/me waves"}, {"me: /me waves"}},
      {"/whisper x", {"PRIVMSG #lobbyfind :/whisper x"}, {"me: /whisper x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    view_.chat_log.clear();
    EXPECT_TRUE(Enter(c.typed));
    EXPECT_EQ(Irc().TakeLines(), c.sent);
    EXPECT_EQ(ChatTexts(), c.logged);
    EXPECT_EQ(view_.Text(Control::Edit3), "");
  }
}

TEST_F(ChatInput, OtherKeysDoNothing) {
  view_.SetText(Control::Edit3, "typing");
  EXPECT_FALSE(form_->Edit3KeyUp(app::Key::Other));
  EXPECT_EQ(view_.Text(Control::Edit3), "typing");
  EXPECT_TRUE(Irc().TakeLines().empty());
}

TEST_F(ChatInput, WhisperToSelectedPlayers) {
  for (const bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    view_.SetChecked(Control::keepselectionafterwhisper, keep);
    view_.chat_log.clear();
    // The list is sorted: bob, carl, dora, me.
    view_.SetSelected(Control::ListBox2, 2, true);
    view_.SetSelected(Control::ListBox2, 0, true);
    Enter("psst");
    EXPECT_EQ(Irc().TakeLines(), (Strings{"PRIVMSG bob :psst", "PRIVMSG dora :psst"}));
    EXPECT_EQ(ChatTexts(), (Strings{"To bob: psst", "To dora: psst"}));
    for (const auto& line : view_.chat_log) EXPECT_EQ(line.colour, app::kWhisperColour);
    EXPECT_EQ(view_.Selected(Control::ListBox2, 0), keep);
    EXPECT_EQ(view_.Selected(Control::ListBox2, 2), keep);
    Enter("again");
    EXPECT_EQ(Irc().TakeLines(), keep ? (Strings{"PRIVMSG bob :again", "PRIVMSG dora :again"})
                                      : Strings{"PRIVMSG #lobbyfind :again"});
    view_.SetSelected(Control::ListBox2, 0, false);
    view_.SetSelected(Control::ListBox2, 2, false);
  }
}

TEST_F(ChatInput, ThePlaceholderGoesOnAnyMouseUse) {
  using Handler = void (app::TForm1::*)();
  for (const Handler handler : {&app::TForm1::Edit3Click, &app::TForm1::Edit3DblClick,
                                &app::TForm1::Edit3MouseDown, &app::TForm1::Edit3MouseUp}) {
    view_.SetText(Control::Edit3, std::string(app::kChatInputPlaceholder));
    (form_.get()->*handler)();
    EXPECT_EQ(view_.Text(Control::Edit3), "");
    view_.SetText(Control::Edit3, "Type your Chatmessage here!");
    (form_.get()->*handler)();
    EXPECT_EQ(view_.Text(Control::Edit3), "Type your Chatmessage here!");
  }
}

}  // namespace
}  // namespace lobbyfind::test
