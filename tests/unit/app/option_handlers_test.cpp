// The option controls store every change at once: to the game's settings or
// to "lobbyfind.ini", with write failures shown or swallowed by kind.
#include <gtest/gtest.h>

#include "options_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;

class OptionHandlers : public OptionsFixture {};

TEST_F(OptionHandlers, LimitsKeepTheirLow16Bits) {
  auto& form = Create();
  struct Case {
    Control box;
    const char* value_name;
    std::string typed;
    std::uint32_t stored;
  };
  const Case cases[] = {
      {Control::currentfraglimit, "f_limit", "70000", 4464},
      {Control::currentfraglimit, "f_limit", "65535", 65535},
      {Control::currentscorelimit, "s_limit", "131072", 0},
      {Control::currentscorelimit, "s_limit", "x", 0},  // no integer: the minimum
      {Control::currentgametimelimit, "game_time_limit", "61", 61},  // stands while focused
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    view_.SetText(c.box, c.typed);
    form.ControlChanged(c.box);
    EXPECT_EQ(Dword(c.value_name), c.stored);
  }
  // Leaving the time box clamps to 60 and stores that.
  form.SpinBoxExit(Control::currentgametimelimit);
  EXPECT_EQ(view_.Text(Control::currentgametimelimit), "60");
  EXPECT_EQ(Dword("game_time_limit"), 60U);
}

TEST_F(OptionHandlers, LimitWriteFailuresAreSwallowedOthersShownOnce) {
  auto& form = Create();
  for (const char* name : {"f_limit", "s_limit", "game_time_limit", "police", "game_speed", "PlayerName"}) {
    registry_.FailWritesOf(name);
  }
  view_.SetText(Control::currentfraglimit, "5");
  form.ControlChanged(Control::currentfraglimit);
  view_.SetText(Control::currentscorelimit, "5");
  form.ControlChanged(Control::currentscorelimit);
  view_.SetText(Control::currentgametimelimit, "5");
  form.ControlChanged(Control::currentgametimelimit);
  EXPECT_TRUE(view_.messages.empty());

  view_.SetChecked(Control::currentpoliceenabled, true);
  form.ControlClicked(Control::currentpoliceenabled);
  EXPECT_EQ(view_.messages.size(), 1U);
  view_.SetPosition(Control::currentgamespeed, 2);
  form.ControlChanged(Control::currentgamespeed);
  EXPECT_EQ(view_.messages.size(), 2U);
  view_.SetText(Control::currentplayername, "carol");
  form.ControlChanged(Control::currentplayername);
  ASSERT_EQ(view_.messages.size(), 3U);
  EXPECT_NE(view_.messages[2].find("PlayerName"), std::string::npos);
  // The write reports its end later: the handler has gone on meanwhile.
  EXPECT_EQ(form.IrcClient().Nickname(), "carol");
}

TEST_F(OptionHandlers, GameSettingsFollowTheControls) {
  auto& form = Create();
  view_.SetPosition(Control::currentgamemode, 2);
  form.ControlChanged(Control::currentgamemode);
  EXPECT_EQ(Dword("game_type"), 3U);
  view_.SetPosition(Control::currentgamespeed, 0);
  form.ControlChanged(Control::currentgamespeed);
  EXPECT_EQ(Dword("game_speed"), 0U);
  view_.SetText(Control::currentplayername, "dave");
  form.ControlChanged(Control::currentplayername);
  EXPECT_EQ(String("PlayerName"), "dave");
  EXPECT_EQ(form.IrcClient().Nickname(), "dave");

  // Check boxes: a click stores the state; a key released on the box stores
  // it again, toggled or not.
  struct Case {
    Control box;
    const char* value_name;
  };
  for (const Case c : {Case{Control::currentpoliceenabled, "police"},
                       Case{Control::currentshowplayernames, "show_player_names"}}) {
    view_.SetChecked(c.box, true);
    form.ControlClicked(c.box);
    EXPECT_EQ(Dword(c.value_name), 1U);
    registry_.PutDword(kMachine, game::kNetworkKeyPath, c.value_name, 7);
    form.ControlKeyUp(c.box);
    EXPECT_EQ(Dword(c.value_name), 1U);
    view_.SetChecked(c.box, false);
    form.ControlKeyUp(c.box);
    EXPECT_EQ(Dword(c.value_name), 0U);
  }
}

TEST_F(OptionHandlers, ProgramOptionsAreSavedAtOnce) {
  auto& form = Create();
  view_.SetChecked(Control::timestampinchat, true);
  form.ControlClicked(Control::timestampinchat);
  EXPECT_EQ(ReadConfig(), "showtimestamp\r\n1\r\n");
  view_.SetChecked(Control::keepselectionafterwhisper, true);
  form.ControlKeyUp(Control::keepselectionafterwhisper);
  view_.SetChecked(Control::timestampinchat, false);
  form.ControlKeyUp(Control::timestampinchat);
  EXPECT_EQ(ReadConfig(), "showtimestamp\r\n0\r\nkeepselectionafterwhisper\r\n1\r\n");
}

TEST_F(OptionHandlers, PortMappingBoxShowsTheSettingAndSwitchesTheMapper) {
  struct Case {
    const char* stored;  // the "upnp" entry before the start; nullptr: none
    bool shown;
  };
  for (const Case c : {Case{nullptr, true}, Case{"1", true}, Case{"0", false}, Case{"no", true}}) {
    SCOPED_TRACE(c.stored ? c.stored : "(none)");
    WriteConfig(c.stored ? std::string("upnp\r\n") + c.stored + "\r\n" : "");
    std::vector<bool> switched;
    auto deps = Deps();
    deps.port_mapping = [&](bool on) { switched.push_back(on); };
    // A fresh window each time: its first timer runs the settings load.
    timers_.made.clear();
    view_.SetChecked(Control::upnp, false);
    auto& form = Create(std::move(deps));
    UpdateconfigTimer().Tick();
    EXPECT_EQ(view_.Checked(Control::upnp), c.shown);
    // Showing the setting switches nothing: the mapper started with the program.
    EXPECT_TRUE(switched.empty());

    view_.SetChecked(Control::upnp, !c.shown);
    form.ControlClicked(Control::upnp);
    view_.SetChecked(Control::upnp, c.shown);
    form.ControlKeyUp(Control::upnp);
    EXPECT_EQ(switched, (std::vector<bool>{!c.shown, c.shown}));
    EXPECT_NE(ReadConfig().find(c.shown ? "upnp\r\n1\r\n" : "upnp\r\n0\r\n"), std::string::npos);
  }
}

TEST_F(OptionHandlers, AFailedSaveIsShownAndTheProgramGoesOn) {
  auto& form = Create();
  // The settings file's place is a folder: it cannot be written.
  std::filesystem::create_directories(config_path_);
  view_.SetChecked(Control::timestampinchat, true);
  form.ControlClicked(Control::timestampinchat);
  EXPECT_EQ(view_.messages.size(), 1U);
  view_.SetPosition(Control::currentgamespeed, 2);
  form.ControlChanged(Control::currentgamespeed);
  EXPECT_EQ(Dword("game_speed"), 2U);
  EXPECT_EQ(view_.messages.size(), 1U);
}

TEST_F(OptionHandlers, TypingTwentyThousandIntoTheRefreshBox) {
  auto& form = Create();
  const std::pair<const char*, std::uint32_t> steps[] = {
      {"2", 2500}, {"20", 2500}, {"200", 2500}, {"2000", 2000}, {"20000", 20000}};
  for (const auto& [typed, interval] : steps) {
    view_.SetText(Control::serverlistrefreshtime, typed);
    form.ControlChanged(Control::serverlistrefreshtime);
    EXPECT_EQ(Timer2().interval, interval) << typed;
  }
  EXPECT_EQ(ReadConfig(), "serverlist-refreshs\r\n20000\r\n");
}

}  // namespace
}  // namespace lobbyfind::test
