#include "chat/irc_decoder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace lobbyfind::chat {
namespace irc {
// Readable failures for the channel-mode table.
void PrintTo(const ChannelModes& m, std::ostream* os) {
  *os << m.channel << " invite=" << m.only_invite << " list=" << m.show_on_list << " K=" << m.no_knocks
      << " m=" << m.moderated << " t=" << m.topic_lock << " r=" << m.registered << " R=" << m.only_registered_nicks
      << " O=" << m.irc_operators_only << " k=" << m.password_protected << " password='" << m.password
      << "' max=" << m.max_user;
}
}  // namespace irc

namespace {

irc::ChannelModes Modes(bool invite, bool list, bool knock, bool moderated, bool topic, bool reg, bool reg_nicks,
                        bool opers, bool key, std::string password, std::uint32_t max,
                        std::string channel = "#room") {
  return irc::ChannelModes{std::move(channel), invite, list, knock, moderated, topic, reg, reg_nicks, opers, key,
                           std::move(password), max};
}

struct ModesCase {
  const char* name;
  const char* line;
  irc::ChannelModes expected;
  friend void PrintTo(const ModesCase& c, std::ostream* os) { *os << c.name; }
};

class ChannelModesReply : public ::testing::TestWithParam<ModesCase> {};

TEST_P(ChannelModesReply, DecodesFlagsLimitAndKey) {
  const DecodedLine decoded = DecodeIrcLine(GetParam().line);
  const auto* modes = std::get_if<irc::ChannelModes>(&decoded.event);
  ASSERT_NE(modes, nullptr);
  EXPECT_EQ(*modes, GetParam().expected);
}

//                                   invite list  K      m      t      r      R      O      k
INSTANTIATE_TEST_SUITE_P(
    Cases, ChannelModesReply,
    ::testing::Values(
        ModesCase{"TopicNoExternalLimit", ":srv 324 me #room +tnl 20",
                  Modes(false, true, false, false, true, false, false, false, false, "", 20)},
        ModesCase{"KeyBeforeLimitIsNoNumber", ":srv 324 me #room +kl secret 20",
                  Modes(false, true, false, false, false, false, false, false, true, "secret", 0)},
        ModesCase{"LimitThenKey", ":srv 324 me #room +lk 20 secret",
                  Modes(false, true, false, false, false, false, false, false, true, "secret", 20)},
        // The limit is read first even when the key letter comes first.
        ModesCase{"LimitReadFirstWhateverTheLetters", ":srv 324 me #room +kl 20 secret",
                  Modes(false, true, false, false, false, false, false, false, true, "secret", 20)},
        ModesCase{"KeyAlone", ":srv 324 me #room +k key",
                  Modes(false, true, false, false, false, false, false, false, true, "key", 0)},
        ModesCase{"LimitNotANumber", ":srv 324 me #room +l many",
                  Modes(false, true, false, false, false, false, false, false, false, "", 0)},
        ModesCase{"LimitWithoutParameter", ":srv 324 me #room +l",
                  Modes(false, true, false, false, false, false, false, false, false, "", 0)},
        ModesCase{"PrivateHidesAndInvites", ":srv 324 me #room +p",
                  Modes(true, false, false, false, false, false, false, false, false, "", 0)},
        ModesCase{"SecretHides", ":srv 324 me #room +s",
                  Modes(false, false, false, false, false, false, false, false, false, "", 0)},
        ModesCase{"AllOtherLetters", ":srv 324 me #room +iKmrRO",
                  Modes(true, true, true, true, false, true, true, true, false, "", 0)},
        // A limit written with leading zeros cuts by its plain length: "020 k"
        // loses three characters and leaves " k", whose first word is empty.
        ModesCase{"LeadingZeroLimitCutsByPlainLength", ":srv 324 me #room +lk 020 k",
                  Modes(false, true, false, false, false, false, false, false, true, "", 20)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeepAlive, AnswersWithTheTokenAfterTheFirstColon) {
  EXPECT_EQ(DecodeIrcLine("PING :12345").reply, "PONG 12345");
  EXPECT_EQ(DecodeIrcLine(":srv PING :srv.example").reply, "PONG srv.example");
}

TEST(KeepAlive, TakesTheWholeRestWithoutColon) { EXPECT_EQ(DecodeIrcLine("PING 777").reply, "PONG PING 777"); }

TEST(KeepAlive, CapsTheTokenAt255Characters) {
  const std::string token(300, 'a');
  EXPECT_EQ(DecodeIrcLine("PING :" + token).reply, "PONG " + token.substr(0, 255));
}

TEST(KeepAlive, NoAnswerWithoutPing) { EXPECT_FALSE(DecodeIrcLine(":bob!b PRIVMSG #room :ping").reply); }

struct MalformedCase {
  const char* line;
  irc::Event expected;
  friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }
};

class MalformedLine : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedLine, DecodesWithoutFailing) { EXPECT_EQ(DecodeIrcLine(GetParam().line).event, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedLine,
    ::testing::Values(MalformedCase{"", irc::DataArrived{"", "", ""}},
                      MalformedCase{":", irc::DataArrived{"", "", ""}},
                      MalformedCase{":bob!b", irc::DataArrived{"", "bob!b", "bob!b"}},
                      MalformedCase{"PRIVMSG", irc::PrivateMessage{"", "PRIVMSG"}},
                      MalformedCase{":bob PRIVMSG #", irc::ChannelMessage{"bob", "", "PRIVMSG #"}},
                      MalformedCase{"MODE", irc::Nothing{}},
                      MalformedCase{":srv 324 ", Modes(false, true, false, false, false, false, false, false, false, "", 0, "")},
                      MalformedCase{":srv 317 me bob", irc::WhoisIdle{32000}},
                      MalformedCase{":op KICK", irc::UserKicked{"op", "", "", "KICK"}},
                      MalformedCase{":srv 353 me = #room :", irc::NamesReply{}},
                      MalformedCase{":bob JOIN", irc::UserJoined{"bob", "OIN"}},
                      MalformedCase{":bob JOIN :", irc::UserJoined{"bob", ""}}));

}  // namespace
}  // namespace lobbyfind::chat
