// A second player's lobby for the namespace test: the real program's window
// (offscreen, the game's settings in memory) set to a directory service,
// refreshing its game list every half second as the Refresh would, and
// printing each game list line whenever it changes, with "(unreachable)"
// after a line the lobby marks so, and "refresh N" before each refresh. It
// has no chat server: the list is asked for directly. Ends on SIGTERM.
//
// usage: lobbyfind-second-player DIRECTORY_HOST WORK_FOLDER
#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "game/game_files.h"
#include "game/memory_registry.h"
#include "qt/lobby_app.h"
#include "qt/stop_signals.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DIRECTORY_HOST WORK_FOLDER\n", argv[0]);
    return 2;
  }
  // No display on the internet side of the test network.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  lobbyfind::qt::QuitOnStopSignals(application);
  // A game folder the settings load accepts, so it asks for none.
  const std::filesystem::path work = argv[2];
  std::filesystem::create_directories(work / "game");
  std::ofstream(work / "game" / lobbyfind::game::kGameExecutable).put('\0');
  std::ofstream(work / "lobbyfind.ini", std::ios::binary)
      << "directory-host\r\n" << argv[1] << "\r\nirc-host\r\n127.0.0.1\r\nirc-port\r\n1\r\ngtadir\r\n"
      << (work / "game").string() << "\r\nupnp\r\n0\r\n";

  lobbyfind::game::MemoryRegistry registry;
  lobbyfind::qt::LobbyApp::Options options;
  options.config_file_name = (work / "lobbyfind.ini").string();
  options.registry = &registry;
  lobbyfind::qt::LobbyApp lobby(options);
  lobby.window().show();

  std::map<int, std::string> printed;
  int refreshes = 0;
  QTimer refresh;
  QObject::connect(&refresh, &QTimer::timeout, [&] {
    // Counted, so that a test can wait for pings that had every chance.
    std::printf("refresh %d\n", ++refreshes);
    std::fflush(stdout);
    lobby.form().Button2Click();
    QListWidget& list = *lobby.window().ListBox1;
    for (int i = 0; i < list.count(); ++i) {
      std::string line = lobby.view().Items(lobbyfind::app::Control::ListBox1).at(static_cast<std::size_t>(i));
      if (list.item(i)->font().italic()) line += " (unreachable)";
      if (printed[i] == line) continue;
      printed[i] = line;
      std::printf("line %d: %s\n", i, line.c_str());
      std::fflush(stdout);
    }
  });
  refresh.start(500);
  return QApplication::exec();
}
