// The running program: the main window, its View, the ports over Qt and the
// core's TForm1, wired together. main() and the GUI tests build the program
// through this one class, so both run the same wiring.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/form1.h"
#include "app/running_form.h"
#include "game/game_bridge.h"
#include "game/registry_port.h"
#include "game/window_control.h"
#include "ports/clock.h"
#include "qt/main_window.h"
#include "qt/qt_notifier.h"
#include "qt/qt_port_mapper.h"
#include "qt/qt_shell.h"
#include "qt/qt_view.h"

namespace lobbyfind::qt {

class LobbyApp {
 public:
  struct Options {
    // The settings file; a bare name lies in the working directory.
    std::string config_file_name = std::string(app::kConfigFileName);
    // Start state of the pseudo-random generator; nothing: from the clock.
    std::optional<std::uint32_t> random_seed;
    // Where the game answers the session-enumeration requests: 2300, which
    // the requests name; tests that must not compete for it choose another.
    std::uint16_t answer_port = presence::kAnswerPort;
    // The directory exchange's limits; tests that wait for them shorten them.
    directory::HttpExchange::Limits http_limits{};
    // The registry holding the game's settings (a Wine prefix's, a test's);
    // it must outlive the program.
    game::RegistryBackend* registry = nullptr;
    // Whether the "upnp" setting may map ports on the home router: the
    // program asks, tests never reach beyond the machine.
    bool port_mapping = false;
    // Whether events are told to the desktop's notification service: the
    // program does, tests only on a bus of their own.
    bool notifications = false;
    // The D-Bus address of that service's bus; empty: the session bus.
    QString notification_bus;
    // Whether the window is first shown with its first page only, and the
    // other pages and the core come on the next turn after that frame: the
    // program does, so the window is there as soon as it can be; tests
    // that read the window at once do not.
    bool start_after_first_frame = false;
    // Told once the core runs (and so, when it waited, the first frame is
    // shown): the start-up measurement ends the program there.
    std::function<void()> started;
  };

  // Builds the window and, unless asked to wait for its first frame, the
  // core, whose creation handler runs; the window is not shown yet.
  explicit LobbyApp(Options options);
  ~LobbyApp();
  LobbyApp(const LobbyApp&) = delete;
  LobbyApp& operator=(const LobbyApp&) = delete;

  // Whether the core runs: at once, or once the first frame is shown.
  [[nodiscard]] bool Started() const { return running_.has_value(); }
  [[nodiscard]] MainWindow& window() { return window_; }
  [[nodiscard]] QtView& view() { return *view_; }
  [[nodiscard]] app::TForm1& form() { return running_->form(); }
  [[nodiscard]] game::GameBridge& game() { return *game_; }

 private:
  // The rest of the window, then the core.
  void Start(Options options);
  void ConnectUserActions(app::TForm1& form);
  void ConnectGameListActions(app::TForm1& form);
  void ConnectOptionActions(app::TForm1& form);
  void ConnectChatActions(app::TForm1& form);
  void ConnectChatAids(app::TForm1& form);

  MainWindow window_;
  // Made with the pages it shows into.
  std::optional<QtView> view_;
  QtShell shell_;
  ports::SystemClock clock_;
  // The game's windows on this desktop, installed while the program runs.
  std::unique_ptr<game::WindowControl> windows_;
  std::unique_ptr<game::GameBridge> game_;
  std::unique_ptr<QtNotifier> notifier_;
  std::optional<app::RunningForm> running_;
  // Destroyed first: its mappings go before the rest of the program.
  std::unique_ptr<QtPortMapper> port_mapper_;
};

}  // namespace lobbyfind::qt
