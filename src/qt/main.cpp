// The Linux edition: the game's registry in its Wine prefix, one main window
// over the core, then the event loop.
#include <QApplication>
#include <cstdlib>
#include <string>

#include "app/config_keys.h"
#include "config/config_file.h"
#include "game/registry_procedures.h"
#include "platform/linux/wine_prefix_registry.h"
#include "qt/lobby_app.h"
#include "qt/shown_probe.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The game runs under Wine: its settings live in the prefix's registry.
  std::string configured_prefix;
  (void)lobbyfind::config::cConfigFile(std::string(lobbyfind::app::kConfigFileName))
      .ReadString(lobbyfind::app::kKeyWinePrefix, configured_prefix);
  lobbyfind::platform::WinePrefixRegistry registry(
      lobbyfind::platform::WinePrefixRegistry::ChoosePrefix(configured_prefix));
  const lobbyfind::game::ScopedMachineRegistry machine_registry(registry);
  lobbyfind::qt::LobbyApp::Options options;
  // A start that ends the moment it is shown (the start-up measurement)
  // has no use for the router and must not reach beyond the machine.
  options.port_mapping = std::getenv(lobbyfind::qt::kExitWhenShownVariable) == nullptr;
  lobbyfind::qt::LobbyApp lobby(options);
  lobbyfind::qt::ExitWhenShownIfAsked(lobby.window());
  lobby.window().show();
  return QApplication::exec();
}
