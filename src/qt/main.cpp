// The Linux edition: the game's registry in its Wine prefix, one main window
// over the core, then the event loop.
#include <QApplication>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/config_keys.h"
#include "config/config_file.h"
#include "platform/linux/session_bus.h"
#include "platform/linux/wine_prefix_registry.h"
#include "qt/font_setup_thread.h"
#include "qt/lobby_app.h"
#include "qt/shown_probe.h"
#include "qt/stop_signals.h"

int main(int argc, char** argv) {
  // Before any thread: it may set the environment.
  lobbyfind::platform::KeepSessionBusFromLaunchingInVain();
  // Next: it runs while the toolkit connects to the display.
  const lobbyfind::qt::FontSetupThread font_setup;
  QApplication application(argc, argv);
  lobbyfind::qt::QuitOnStopSignals(application);
  // The game runs under Wine: its settings live in the prefix's registry.
  std::string configured_prefix;
  (void)lobbyfind::config::cConfigFile(std::string(lobbyfind::app::kConfigFileName))
      .ReadString(lobbyfind::app::kKeyWinePrefix, configured_prefix);
  // Wine's registry tool answers slowly while a wineserver runs: it works on
  // a thread of its own and reports back through the event loop.
  using lobbyfind::platform::WinePrefixRegistry;
  WinePrefixRegistry registry(WinePrefixRegistry::ChoosePrefix(configured_prefix),
                              WinePrefixRegistry::WineServerRunning, WinePrefixRegistry::RunWineReg,
                              [](std::function<void()> work) {
                                QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work),
                                                          Qt::QueuedConnection);
                              });
  lobbyfind::qt::LobbyApp::Options options;
  options.registry = &registry;
  // A start that ends the moment it is shown (the start-up measurement)
  // has no use for the router and must not reach beyond the machine.
  options.port_mapping = std::getenv(lobbyfind::qt::kExitWhenShownVariable) == nullptr;
  options.notifications = true;
  options.start_after_first_frame = true;
  options.started = lobbyfind::qt::ExitWhenStartedIfAsked();
  lobbyfind::qt::LobbyApp lobby(options);
  lobby.window().show();
  return QApplication::exec();
}
