// The one-shot settings load: order, defaults, values written back, the
// game-directory prompt and a load that fails half-way.
#include <gtest/gtest.h>

#include <fstream>

#include "app/game_folder.h"
#include "config/config_file.h"
#include "options_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;

class SettingsLoad : public OptionsFixture {
 protected:
  // A folder with the game's program in it.
  std::string MakeGameDir(const std::string& name) {
    const auto folder = dir_ / name;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "gta2.exe") << "MZ";
    return folder.string();
  }
};

TEST_F(SettingsLoad, FirstStartAsksForTheDirectoryAndGeneratesAName) {
  auto& form = CreateAndLoad();
  EXPECT_FALSE(UpdateconfigTimer().enabled);
  EXPECT_EQ(view_.folder_titles, std::vector<std::string>{"Type in your GTA-Directory"});
  // The generator starts from 0 in tests: its first draw is 1.
  EXPECT_EQ(view_.Text(Control::currentplayername), "lobbyfind1");
  EXPECT_EQ(String("PlayerName"), "lobbyfind1");
  EXPECT_EQ(form.IrcClient().Nickname(), "lobbyfind1");
  EXPECT_EQ(form.IrcClient().RealName(), "lobbyfind1");
  EXPECT_EQ(view_.Position(Control::currentgamespeed), 1);
  EXPECT_EQ(view_.Text(Control::currentfraglimit), "0");
  EXPECT_EQ(view_.Text(Control::currentscorelimit), "0");
  EXPECT_EQ(view_.Text(Control::currentgametimelimit), "0");
  EXPECT_EQ(view_.Position(Control::currentgamemode), 0);  // "Fragspiel"
  EXPECT_FALSE(view_.Checked(Control::currentpoliceenabled));
  EXPECT_FALSE(view_.Checked(Control::currentshowplayernames));
  // Only the name field went back to the game (emptied from its initial
  // text, then the generated name); the file was not touched.
  EXPECT_EQ(WrittenNames(), (std::vector<std::string>{"PlayerName", "PlayerName"}));
  EXPECT_FALSE(std::filesystem::exists(config_path_));
  EXPECT_EQ(view_.status_history,
            (std::vector<std::string>{"Update Config (10%)", "Update Config (15%)", "Update Config (20%)",
                                      "Update Config (25%)", "Update Config (30%)", "Update Config (40%)",
                                      "Update Config (60%)", "Update Config (80%)", "Update Config (90%)",
                                      "Update Config (100%)"}));
}

TEST_F(SettingsLoad, AsksForVersionAndNewsAtTheEnd) {
  auto& form = Create();
  std::vector<std::string> calls;
  form.CheckVersion = [&](std::int32_t v) { calls.push_back("version " + std::to_string(v)); };
  form.RequestNews = [&] { calls.push_back("news"); };
  UpdateconfigTimer().Tick();
  EXPECT_EQ(calls, (std::vector<std::string>{"version 4", "news"}));
}

TEST_F(SettingsLoad, GameValuesAreShownAndOutOfRangeOnesWrittenBack) {
  struct Case {
    const char* name;
    std::uint32_t game_type, game_speed, time_limit;
    int mode_item, speed_position;
    std::string time_shown;
    std::vector<std::string> written;
  };
  const Case cases[] = {
      // The name field changes from its initial text: "PlayerName" is
      // written back each time.
      {"type 3", 3, 1, 0, 2, 1, "0", {"PlayerName"}},
      {"type 7", 7, 1, 0, 0, 1, "0", {"PlayerName"}},
      {"speed 5", 1, 5, 0, 0, 1, "0", {"PlayerName"}},
      {"speed 0", 2, 0, 0, 1, 0, "0", {"game_speed", "PlayerName"}},
      {"time 100", 1, 2, 100, 0, 2, "60", {"game_speed", "PlayerName", "game_time_limit"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    registry_ = game::MemoryRegistry();
    view_ = FakeView();
    timers_.made.clear();
    PutString("PlayerName", "bob");
    PutDword("game_type", c.game_type);
    PutDword("game_speed", c.game_speed);
    PutDword("game_time_limit", c.time_limit);
    CreateAndLoad();
    EXPECT_EQ(view_.Position(Control::currentgamemode), c.mode_item);
    EXPECT_EQ(view_.Position(Control::currentgamespeed), c.speed_position);
    EXPECT_EQ(view_.Text(Control::currentgametimelimit), c.time_shown);
    EXPECT_EQ(WrittenNames(), c.written);
    if (c.time_limit == 100) {
      EXPECT_EQ(Dword("game_time_limit"), 60U);
    }
  }
}

TEST_F(SettingsLoad, StoredValuesFillTheControls) {
  const std::string game_dir = MakeGameDir("GTA2");
  // Stored as the program stores it: a Windows path's backslashes escaped.
  WriteConfig("showtimestamp\r\n7\r\nkeepselectionafterwhisper\r\n0\r\ngtadir\r\n" +
              config::EncodeText(game_dir) + "\r\n");
  PutString("PlayerName", "alice");
  PutDword("f_limit", 12);
  PutDword("s_limit", 34);
  PutDword("show_player_names", 1);
  PutDword("police", 1);
  auto& form = CreateAndLoad();
  EXPECT_TRUE(view_.folder_titles.empty());  // the directory is usable
  EXPECT_EQ(view_.Text(Control::currentgtadirectory), game_dir);
  EXPECT_EQ(game_.GtaDir(), game_dir);
  EXPECT_TRUE(view_.Checked(Control::timestampinchat));
  EXPECT_FALSE(view_.Checked(Control::keepselectionafterwhisper));
  // The box changed, so its handler rewrote the key as 1 and saved.
  EXPECT_NE(ReadConfig().find("showtimestamp\r\n1\r\n"), std::string::npos);
  EXPECT_EQ(view_.Text(Control::currentplayername), "alice");
  EXPECT_EQ(form.IrcClient().Nickname(), "alice");
  EXPECT_EQ(view_.Text(Control::currentfraglimit), "12");
  EXPECT_EQ(view_.Text(Control::currentscorelimit), "34");
  EXPECT_TRUE(view_.Checked(Control::currentshowplayernames));
  EXPECT_TRUE(view_.Checked(Control::currentpoliceenabled));
}

TEST_F(SettingsLoad, ANonIntegerFlagLeavesTheBoxAsItWas) {
  WriteConfig("showtimestamp\r\nyes\r\n");
  view_.checked[Control::timestampinchat] = true;
  CreateAndLoad();
  EXPECT_TRUE(view_.Checked(Control::timestampinchat));
  EXPECT_EQ(ReadConfig(), "showtimestamp\r\nyes\r\n");
}

TEST_F(SettingsLoad, WritesThatFailAreShownAndTheLoadGoesOn) {
  registry_.FailWritesOf("PlayerName");  // the generated name cannot be stored
  auto& form = Create();
  bool asked = false;
  form.CheckVersion = [&](std::int32_t) { asked = true; };
  UpdateconfigTimer().Tick();
  // Writes report their end later, so the load does not wait for them: the
  // stored (empty) name and the generated one each fail on their own.
  ASSERT_EQ(view_.messages, std::vector<std::string>(2, "Konnte Daten für 'PlayerName' nicht setzen"));
  EXPECT_EQ(view_.status_history.back(), "Update Config (100%)");
  EXPECT_TRUE(asked);
  EXPECT_FALSE(UpdateconfigTimer().enabled);
}

TEST_F(SettingsLoad, AReadOfTheWrongTypeEndsTheLoadAfterOneMessage) {
  PutString("game_speed", "1");
  auto& form = Create();
  bool asked = false;
  form.CheckVersion = [&](std::int32_t) { asked = true; };
  UpdateconfigTimer().Tick();
  ASSERT_EQ(view_.messages, (std::vector<std::string>{"Ungültiger Datentyp für 'game_speed'"}));
  EXPECT_EQ(view_.status_history.back(), "Update Config (15%)");
  EXPECT_FALSE(asked);
  EXPECT_EQ(form.IrcClient().Nickname(), "");
}

TEST_F(SettingsLoad, DirectoryPrompt) {
  const std::string good = MakeGameDir("good");
  const auto empty_dir = dir_ / "empty";
  std::filesystem::create_directories(empty_dir);
  auto& form = Create();
  struct Step {
    std::optional<std::string> answer;
    std::string shown;
  };
  const Step steps[] = {
      {std::nullopt, "currentgtadirectory"},       // cancelled
      {empty_dir.string(), "currentgtadirectory"},  // no gta2.exe
      {(dir_ / "missing").string(), "currentgtadirectory"},
      {good + "/", good},  // kept without its trailing separator
      {empty_dir.string(), good},
  };
  for (const auto& step : steps) {
    view_.folder_answer = step.answer;
    form.Button6Click();
    EXPECT_EQ(view_.Text(Control::currentgtadirectory), step.shown);
  }
  EXPECT_EQ(game_.GtaDir(), good);
  EXPECT_EQ(ReadConfig(), "gtadir\r\n" + config::EncodeText(good) + "\r\n");
  EXPECT_TRUE(view_.messages.empty());
}

TEST(GameFolderAsKept, DropsTrailingSeparatorsButKeepsARoot) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Games\\GTA2\\", "C:\\Games\\GTA2"}, {"/games/GTA2//", "/games/GTA2"},
      {"C:\\", "C:\\"},  // "C:" would be the current folder of drive C
      {"D:/", "D:/"},       {"/", "/"},
      {"C:\\\\", "C:\\"}, {"C:\\GTA2", "C:\\GTA2"},
  };
  for (const auto& [chosen, kept] : cases) EXPECT_EQ(app::GameFolderAsKept(chosen), kept) << chosen;
}

TEST(PseudoRandom, SequenceOfTheGenerator) {
  app::PseudoRandom random;
  EXPECT_EQ(random.DrawNameNumber(), 1U);
  EXPECT_EQ(random.Seed(), 1U);
  EXPECT_EQ(random.DrawNameNumber(), 4U);  // (134775814 * 100) >> 32 == 3
  EXPECT_EQ(random.Seed(), 134775814U);
  app::PseudoRandom wrapped(0xFFFFFFFFU);
  (void)wrapped.Draw(100);
  EXPECT_EQ(wrapped.Seed(), static_cast<std::uint32_t>(0xFFFFFFFFULL * 134775813ULL + 1ULL));
}

}  // namespace
}  // namespace lobbyfind::test
