// "Host a game" and "Connect" in the real window start the game's program
// through the configured launcher, detached, in the game's directory. A
// shell script stands in for the game and writes down how it was started.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/view.h"
#include "directory_server_support.h"
#include "game/memory_registry.h"
#include "game_host_process.h"
#include "qt/lobby_app.h"

namespace lobbyfind {
namespace {

using directory_service::testing::TempDir;
using presence::testing::RunUntil;

class GameLaunchTest : public ::testing::Test {
 protected:
  GameLaunchTest() {
    game_dir_ = dir_.Path() + "/GTA2 game";
    std::filesystem::create_directories(game_dir_);
    // Writes its working directory and its arguments, one a line.
    std::ofstream(game_dir_ + "/gta2.exe") << "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > \""
                                           << dir_.File("started.txt") << "\"\n";
    std::filesystem::permissions(game_dir_ + "/gta2.exe", std::filesystem::perms::owner_all);
  }

  qt::LobbyApp& Start(const std::string& ini) {
    std::ofstream(dir_.File("lobbyfind.ini"), std::ios::binary) << ini;
    qt::LobbyApp::Options options;
    options.config_file_name = dir_.File("lobbyfind.ini");
    options.registry = &registry_;
    lobby_ = std::make_unique<qt::LobbyApp>(options);
    lobby_->view().SetText(app::Control::currentgtadirectory, game_dir_);
    return *lobby_;
  }

  // How the stand-in game was started, once it has written it down.
  std::string Started() {
    const auto path = dir_.File("started.txt");
    if (!RunUntil([&] { return std::filesystem::exists(path) && std::filesystem::file_size(path) > 0; }, 5000)) {
      return "(not started)";
    }
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }

  game::MemoryRegistry registry_;
  TempDir dir_;
  std::string game_dir_;
  std::unique_ptr<qt::LobbyApp> lobby_;
};

TEST_F(GameLaunchTest, HostStartsTheGameThroughTheConfiguredLauncherInItsDirectory) {
  // /bin/sh stands in for Wine: it is handed the game's program and its parameter.
  Start("launcher\r\n/bin/sh\r\n").window().Button4->click();
  EXPECT_EQ(Started(), game_dir_ + "\n-network\n");
}

TEST_F(GameLaunchTest, AnEmptyLauncherRunsTheProgramItself) {
  auto& lobby = Start("launcher\r\n\r\n");
  lobby.form().HandleServerList({{"Bob"}, {"12:00"}, {"2300"}, {"Downtown"}, {"4"}, {"127.0.0.9"}, {}});
  lobby.window().ListBox1->item(0)->setSelected(true);
  lobby.window().Button1->click();
  EXPECT_EQ(Started(), game_dir_ + "\n-network\n");
}

}  // namespace
}  // namespace lobbyfind
