// Helper program of the reliability suite's kill test: the real window saving
// its settings over and over until the test kills it.
//
//   reliability_save_loop_child FOLDER ANSWER_PORT
//
// The settings file is FOLDER/lobbyfind.ini. Two saves come first; a copy of
// the file after each is left as FOLDER/first and FOLDER/second, the only two
// contents a kill may leave behind. Then FOLDER/ready appears and the saving
// goes on without end.
#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/memory_registry.h"
#include "game/registry_procedures.h"
#include "qt/lobby_app.h"
#include "qt/main_window.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER ANSWER_PORT\n", argv[0]);
    return 2;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string folder = argv[1];
  lobbyfind::qt::LobbyApp::Options options;
  options.config_file_name = folder + "/lobbyfind.ini";
  options.random_seed = 1;
  // Not 2300: the parent's own window and other tests may hold that one.
  options.answer_port = static_cast<std::uint16_t>(std::atoi(argv[2]));

  // The game's settings in memory, as in the suite itself: nothing of a Wine
  // prefix is read or written, and no registry failure opens a message box.
  lobbyfind::game::MemoryRegistry registry;
  options.registry = &registry;

  QApplication application(argc, argv);
  lobbyfind::qt::LobbyApp lobby(options);
  if (!QTest::qWaitFor([&] { return !lobby.form().updateconfig().Enabled(); }, 30000)) {
    std::fprintf(stderr, "the settings were not loaded in time\n");
    return 1;
  }
  QCheckBox& timestamps = *lobby.window().timestampinchat;
  for (const char* reference : {"/first", "/second"}) {
    timestamps.click();
    std::filesystem::copy_file(options.config_file_name, folder + reference,
                               std::filesystem::copy_options::overwrite_existing);
  }
  std::ofstream(folder + "/ready") << "ready";
  for (;;) timestamps.click();
}
