// The game's windows on a real X display, as the lobby meets them at its
// start and on its ticks: only a window whose process runs a program in the
// game's folder is ended or counts as the running game. The stand-in windows
// are the X11 test window, once as itself and once copied into the game's
// folder as gta2.exe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/config_keys.h"
#include "game/memory_registry.h"
#include "game_host_process.h"
#include "qt/lobby_app.h"

namespace lobbyfind {
namespace {

namespace fs = std::filesystem;
using presence::testing::FreeTcpPort;

constexpr int kWindowWaitMs = 10000;

// A stand-in window titled `title`, shown once the call returns.
std::unique_ptr<QProcess> OpenWindow(const std::string& program, const std::string& title) {
  auto process = std::make_unique<QProcess>();
  process->start(QString::fromStdString(program), {QString::fromStdString(title), "--pid"});
  if (!process->waitForReadyRead(kWindowWaitMs) || !process->readLine().startsWith("ready")) return nullptr;
  return process;
}

TEST(GameWindows, OnlyTheGamesWindowIsEndedAtStartAndCountsAsPlaying) {
  const fs::path dir = fs::temp_directory_path() / ("lobbyfind_game_windows_" + std::to_string(getpid()));
  const fs::path game_dir = dir / "GTA2";
  fs::create_directories(game_dir);
  fs::copy_file(X11_TEST_WINDOW, game_dir / "gta2.exe");
  std::ofstream(dir / "lobbyfind.ini", std::ios::binary)
      << app::kKeyGtaDir << "\r\n" << game_dir.string() << "\r\n"
      << app::kKeyDirectoryHost << "\r\n127.0.0.1:" << FreeTcpPort() << "\r\n";

  // Explorer showing the game's folder is titled like the game.
  const auto other = OpenWindow(X11_TEST_WINDOW, "GTA2");
  const auto game = OpenWindow((game_dir / "gta2.exe").string(), "GTA2");
  ASSERT_TRUE(other && game) << "the stand-in windows did not open";

  game::MemoryRegistry registry;
  qt::LobbyApp::Options options;
  options.config_file_name = (dir / "lobbyfind.ini").string();
  options.answer_port = FreeTcpPort();
  options.registry = &registry;
  auto lobby = std::make_unique<qt::LobbyApp>(options);
  EXPECT_TRUE(game->waitForFinished(kWindowWaitMs)) << "the game's window was not ended";
  EXPECT_EQ(other->state(), QProcess::Running) << "another program was ended";

  app::TForm1& form = lobby->form();
  form.SetOnlineState(app::OnlineState::osOnline);
  form.Timer2Timer();
  EXPECT_EQ(form.GetOnlineState(), app::OnlineState::osOnline) << "another program's window counted as the game";
  const auto started = OpenWindow((game_dir / "gta2.exe").string(), "GTA2");
  ASSERT_TRUE(started);
  form.Timer2Timer();
  EXPECT_EQ(form.GetOnlineState(), app::OnlineState::osPlaying);

  lobby.reset();
  for (QProcess* process : {other.get(), started.get()}) {
    process->kill();
    process->waitForFinished(kWindowWaitMs);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lobbyfind
