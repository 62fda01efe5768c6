#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "app/site_links.h"
#include "config/config_file.h"
#include "form_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using app::LineKind;
using app::OnlineState;

TEST_F(FormFixture, TimersExistEnabledWithTheirIntervalsBeforeCreation) {
  app::TForm1 form(Deps());
  // Then the chat client's registration fallback, the answer server's
  // sweep of idle connections, the pacing of the server list's requests and
  // of the game list's lines.
  ASSERT_EQ(timers_.made.size(), 6U);
  EXPECT_EQ(UpdateconfigTimer().interval, 500U);
  EXPECT_TRUE(UpdateconfigTimer().enabled);
  EXPECT_EQ(Timer2().interval, 2500U);
  EXPECT_TRUE(Timer2().enabled);
  EXPECT_EQ(&form.updateconfig(), timers_.made[0]);
  EXPECT_EQ(&form.Timer2(), timers_.made[1]);
}

TEST_F(FormFixture, WelcomeTextIsNineSystemLinesThreeEmptyWithoutTimestamp) {
  clock_.ms_since_midnight = ports::MsOfDay(14, 5, 9, 0);
  Create();
  const std::vector<std::string> expected = {
      "Welcome to lobbyfind Version 1.2",
      "For Updates and more stuff, visit " + std::string(app::kHomeHost),
      "",
      "BE SURE, that your ports  2300-2400 TCP/UDP and 47624 TCP/UDP",
      "is open, without you can not play!",
      "",
      "Ingamechat works with F10",
      "",
      "Have Fun!",
  };
  ASSERT_EQ(view_.chat_log.size(), expected.size());
  int empty = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(view_.chat_log[i].text, expected[i]);
    EXPECT_EQ(view_.chat_log[i].colour, (app::Rgb{224, 115, 5}));
    EXPECT_EQ(view_.chat_log[i].text.find("14:05"), std::string::npos);
    empty += view_.chat_log[i].text.empty() ? 1 : 0;
  }
  EXPECT_EQ(empty, 3);
}

TEST_F(FormFixture, CreationLaysOutTheWindowAndResetsState) {
  view_.items[Control::ListBox2] = {"someone"};
  auto& form = Create();
  EXPECT_EQ(form.GetOnlineState(), OnlineState::osOffline);
  EXPECT_FALSE(view_.PageVisible(Control::tab_Internetgames));
  EXPECT_TRUE(view_.PageVisible(Control::tab_Start));
  EXPECT_EQ(view_.ActivePage(), Control::tab_Start);
  EXPECT_TRUE(view_.Items(Control::ListBox2).empty());
  // The label behind the news pane frames it by 5 pixels in its colour.
  EXPECT_EQ(view_.Bounds(Control::newsbackgroundlabel), (app::Rect{11, 19, 330, 290}));
  EXPECT_EQ(view_.BackgroundColour(Control::newsbackgroundlabel), (app::Rgb{23, 28, 57}));
  EXPECT_EQ(view_.Text(Control::playershint),
            "Press STRG, while\nyou click on nickname,\nto select more than 1\nuser at the same time.\n");
  EXPECT_EQ(view_.status_panel_widths[0], 692 - 40);
  EXPECT_TRUE(form.HasConfig());
  EXPECT_EQ(form.Config().FileName(), config_path_);
}

TEST_F(FormFixture, TheGamesWindowsInTheStoredFolderAreEndedFirst) {
  // Nothing is known of the game until the folder chosen in an earlier run is read.
  game_.UseGtaDir("");
  WriteConfig("gtadir\r\n" + config::EncodeText(std::string(kFakeGameDir)) + "\r\n");
  windows_.Open("Network GTA2");
  windows_.Open("GTA2", "C:\\Windows\\explorer.exe");
  Create();
  EXPECT_EQ(windows_.killed,
            (std::vector<std::string>{"GTA2 en red", "Network GTA2", "Netzwerk GTA2", "GTA2 Manager", "GTA2"}));
  // Explorer showing the game's folder is left alone.
  EXPECT_EQ(windows_.open, (std::map<std::string, std::string>{{"gta2", "C:\\Windows\\explorer.exe"}}));
  EXPECT_EQ(game_.GtaDir(), kFakeGameDir);
}

TEST_F(FormFixture, CloseRunsEveryStepEvenWhenOneFails) {
  auto& form = Create();
  std::vector<int> ran;
  form.AtClose([&] { ran.push_back(1); });
  form.AtClose([&] {
    ran.push_back(2);
    throw std::runtime_error("socket already gone");
  });
  form.AtClose([&] { ran.push_back(3); });
  EXPECT_NO_THROW(form.FormClose());
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  // Nothing is saved at close.
  EXPECT_EQ(ReadConfig(), "");
}

TEST_F(FormFixture, LinkButtonsOpenTheMakersPagesWithoutParameters) {
  auto& form = Create();
  form.NewsButtonClick();
  form.FaqButtonClick();
  form.WwwButtonClick();
  shell_.result = false;  // a failed request is not reported
  form.SecondSiteButtonClick();
  const std::string home = "http://" + std::string(app::kHomeHost) + "/";
  EXPECT_EQ(shell_.calls, (std::vector<FakeShell::Call>{
                              {home + "#News", "", ""},
                              {home + "#FAQ", "", ""},
                              {home, "", ""},
                              {"http://" + std::string(app::kSecondHost) + "/", "", ""},
                          }));
  EXPECT_TRUE(view_.messages.empty());
}

TEST(TForm1, RefusesMissingPorts) {
  EXPECT_THROW(app::TForm1{app::FormDeps{}}, std::invalid_argument);
}

}  // namespace
}  // namespace lobbyfind::test
