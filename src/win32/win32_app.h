// The running Windows edition: the main window, its View, the ports over
// Winsock, SetTimer and the shell, and the core's TForm1, wired together.
// Like the Linux edition's wiring it holds no rule: each user action becomes
// the call of a core handler.
#pragma once

#include <memory>
#include <optional>

#include "app/form1.h"
#include "app/running_form.h"
#include "game/game_bridge.h"
#include "game/registry_port.h"
#include "game/window_control.h"
#include "ports/clock.h"
#include "win32/main_window.h"
#include "win32/win32_notifier.h"
#include "win32/win32_shell.h"
#include "win32/win32_view.h"

namespace lobbyfind::win32 {

class Win32App {
 public:
  // Builds the window and runs the core's creation handler; not shown yet.
  // `registry` holds the game's settings and must outlive the program.
  // `shell` opens web addresses and the game; nothing: the desktop's own
  // (tests pass one that only records).
  explicit Win32App(game::RegistryBackend& registry, ports::Shell* shell = nullptr);
  ~Win32App();
  Win32App(const Win32App&) = delete;
  Win32App& operator=(const Win32App&) = delete;

  [[nodiscard]] MainWindow& window() { return window_; }
  [[nodiscard]] app::TForm1& form() { return *form_; }
  // Whether a key goes to its control rather than to the page's keyboard
  // navigation: Tab in the chat input completes a nickname there.
  [[nodiscard]] bool TakesKey(const MSG& message) const;

 private:
  void ConnectCommands();
  void ConnectHooks();
  void Command(int id, int code);
  void ConnectChatAids();

  MainWindow window_;
  Win32View view_;
  Win32Shell shell_;
  ports::SystemClock clock_;
  std::unique_ptr<game::WindowControl> windows_;
  std::unique_ptr<game::GameBridge> game_;
  Win32Notifier notifier_;
  std::optional<app::RunningForm> running_;
  // The running form, for the wiring's handlers.
  app::TForm1* form_ = nullptr;
};

}  // namespace lobbyfind::win32
