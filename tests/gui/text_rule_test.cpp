// The text rule in the real Linux edition: the game's player name, stored by
// the game in its Windows-1252, survives starts of the lobby byte for byte in
// the Wine prefix's system.reg; a typed name the game cannot hold is refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "app/config_keys.h"
#include "config/config_file.h"
#include "game/game_bridge.h"
#include "game/window_control.h"
#include "ports/clock.h"
#include "game/game_files.h"
#include "game/game_settings.h"
#include "game/registry_procedures.h"
#include "platform/linux/wine_prefix_registry.h"
#include "qt/lobby_app.h"

namespace lobbyfind::qt {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TextRuleTest : public ::testing::Test {
 protected:
  TextRuleTest() {
    fs::create_directories(dir_ / "prefix");
    fs::create_directories(dir_ / "game");
    std::ofstream(dir_ / "game" / std::string(game::kGameExecutable)) << "stand-in";
    // A 32-bit prefix as wineboot leaves it, without the game's key yet.
    std::ofstream(dir_ / "prefix" / "system.reg", std::ios::binary)
        << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
    config::cConfigFile config(Ini());
    config.WriteString(app::kKeyGtaDir, (dir_ / "game").string());
    config.Save();
  }
  ~TextRuleTest() override { fs::remove_all(dir_); }

  [[nodiscard]] std::string Ini() const { return (dir_ / "lobbyfind.ini").string(); }
  // One start of the lobby, up to the end of its settings load.
  std::unique_ptr<LobbyApp> Start() {
    LobbyApp::Options options;
    options.config_file_name = Ini();
    options.random_seed = 0;
    options.registry = &registry_;
    auto lobby = std::make_unique<LobbyApp>(options);
    lobby->form().updateconfigTimer();
    return lobby;
  }

  fs::path dir_ = fs::temp_directory_path() / ("lobbyfind_text_" + std::to_string(std::random_device{}()));
  // No wineserver holds this prefix: the backend writes the file itself.
  platform::WinePrefixRegistry registry_{dir_ / "prefix", [](const fs::path&) { return false; }};
  // The game's side of the test: what the game itself stores and reads.
  game::NoWindows windows_;
  ports::SystemClock clock_;
  game::GameBridge game_{registry_, windows_, clock_};
  void StoreAsTheGame(std::string_view name) {
    game_.SetPlayerName(name, [](std::exception_ptr failure) { EXPECT_EQ(failure, nullptr); });
  }
};

TEST_F(TextRuleTest, GamePlayerNameSurvivesFiveStartsByteForByte) {
  StoreAsTheGame("J\xfcrgen");
  const std::string stored = ReadAll(registry_.SystemRegPath());
  ASSERT_NE(stored.find("PlayerName"), std::string::npos);
  for (int start = 1; start <= 5; ++start) {
    auto lobby = Start();
    EXPECT_EQ(lobby->window().currentplayername->text(), QString::fromUtf8("J\xc3\xbcrgen")) << start;
    EXPECT_EQ(lobby->form().IrcClient().Nickname(), "J\xfcrgen") << start;
  }
  EXPECT_EQ(game_.GetPlayerName(), "J\xfcrgen");
  // Not even rewritten in another spelling: the file is as the game left it.
  EXPECT_EQ(ReadAll(registry_.SystemRegPath()), stored);
}

TEST_F(TextRuleTest, TypedNamesAreStoredInTheGamesCodePageOrRefused) {
  StoreAsTheGame("J\xfcrgen");
  auto lobby = Start();
  QLineEdit* name = lobby->window().currentplayername;
  name->setFocus();
  name->end(false);
  QTest::keyClicks(name, "2");
  EXPECT_EQ(game_.GetPlayerName(), "J\xfcrgen" "2");

  // A character outside Windows-1252: a message, the field as it was, and
  // nothing written.
  QString shown;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  poll.start(5);
  // Typed through the input method, as a character no key of the test has.
  QInputMethodEvent typed;
  typed.setCommitString(QString::fromUtf8("\xe6\x97\xa5"));
  QApplication::sendEvent(name, &typed);
  poll.stop();
  EXPECT_TRUE(shown.contains("Windows-1252")) << shown.toStdString();
  EXPECT_EQ(name->text(), QString::fromUtf8("J\xc3\xbcrgen" "2"));
  EXPECT_EQ(game_.GetPlayerName(), "J\xfcrgen" "2");
}

}  // namespace
}  // namespace lobbyfind::qt
