// A TForm1 over the fake View and fake ports, with its settings file in a
// fresh temporary folder. The network ports are hand-driven fakes: HTTP
// connections never come up unless a test accepts them, datagrams are
// recorded, the listener listens when asked.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string_view>
#include <vector>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/form1.h"
#include "fake_ports.h"
#include "game/game_bridge.h"
#include "game/memory_registry.h"
#include "fake_view.h"

namespace lobbyfind::test {

// The game's folder the fixture's bridge starts with, and its program.
inline constexpr std::string_view kFakeGameDir = "C:\\Games\\GTA2";
inline constexpr std::string_view kFakeGameProgram = "C:\\Games\\GTA2\\gta2.exe";

// Windows by title, ignoring case as the platforms' window searches do, each
// with the program its process runs: the game's unless a test says otherwise.
class FakeWindows final : public game::WindowControl {
 public:
  [[nodiscard]] bool IsWindowOpen(std::string_view title, const game::ProgramTest& is_game) override {
    const auto found = open.find(game::FoldCase(title));
    return found != open.end() && is_game(found->second);
  }
  bool KillWindowProcess(std::string_view title, const game::ProgramTest& is_game) override {
    killed.emplace_back(title);
    if (!IsWindowOpen(title, is_game)) return false;
    open.erase(game::FoldCase(title));
    return true;
  }
  void Open(std::string_view title, std::string_view program = kFakeGameProgram) {
    open[game::FoldCase(title)] = program;
  }
  void Close(std::string_view title) { open.erase(game::FoldCase(title)); }

  std::map<std::string, std::string> open;  // folded title -> program
  std::vector<std::string> killed;           // every title asked to end
};

class FormFixture : public ::testing::Test {
 protected:
  // The port of the default directory service, which the directory client
  // connects to unless a test configures another.
  static constexpr std::uint16_t kDirectoryPort = 8080;

  FormFixture() {
    dir_ = std::filesystem::temp_directory_path() /
           ("lobbyfind_app_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    config_path_ = (dir_ / "lobbyfind.ini").string();
    game_.UseGtaDir(kFakeGameDir);
  }
  ~FormFixture() override { std::filesystem::remove_all(dir_); }

  [[nodiscard]] app::FormDeps Deps() {
    app::FormDeps deps;
    deps.view = &view_;
    deps.make_timer = timers_.Factory();
    deps.clock = &clock_;
    deps.shell = &shell_;
    deps.game = &game_;
    deps.config_file_name = config_path_;
    deps.make_tcp_connection = net_.ConnectionFactory();
    deps.make_udp_sender = [this] {
      auto sender = std::make_unique<FakeUdpSender>();
      udp_ = sender.get();
      return sender;
    };
    deps.make_tcp_listener = [this] {
      auto listener = std::make_unique<FakeListener>();
      listener_ = listener.get();
      return listener;
    };
    return deps;
  }

  // Builds the form and runs its creation handler.
  app::TForm1& Create() { return Create(Deps()); }
  app::TForm1& Create(app::FormDeps deps) {
    form_ = std::make_unique<app::TForm1>(std::move(deps));
    form_->FormCreate();
    return *form_;
  }

  void WriteConfig(const std::string& raw) const {
    std::ofstream(config_path_, std::ios::binary) << raw;
  }
  [[nodiscard]] std::string ReadConfig() const {
    std::ifstream in(config_path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  [[nodiscard]] FakeTimer& UpdateconfigTimer() { return *timers_.made.at(0); }
  [[nodiscard]] FakeTimer& Timer2() { return *timers_.made.at(1); }

  FakeView view_;
  FakeTimers timers_;
  FakeClock clock_;
  FakeShell shell_;
  // The game's settings in memory, its windows as the test opens them.
  game::MemoryRegistry registry_;
  FakeWindows windows_;
  game::GameBridge game_{registry_, windows_, clock_};
  FakeNetwork net_;
  // Owned by the form's presence part.
  FakeUdpSender* udp_ = nullptr;
  FakeListener* listener_ = nullptr;
  std::filesystem::path dir_;
  std::string config_path_;
  std::unique_ptr<app::TForm1> form_;
};

}  // namespace lobbyfind::test
