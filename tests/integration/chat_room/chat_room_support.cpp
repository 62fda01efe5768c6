#include "chat_room_support.h"

#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <filesystem>
#include <fstream>

#include "game/game_settings.h"
#include "support/free_port.h"

namespace lobbyfind::qt {

void ChatRoomWindow::StartWindow(std::uint16_t irc_port, const std::string& player_name,
                                 const std::function<void(LobbyApp::Options&)>& adjust) {
  ASSERT_TRUE(dir_.isValid());
  const std::filesystem::path root = dir_.path().toStdString();
  std::filesystem::create_directories(root / "game");
  std::ofstream(root / "game" / "gta2.exe") << "MZ";
  const auto ini = root / "lobbyfind.ini";
  std::ofstream(ini, std::ios::binary) << "gtadir\r\n" << (root / "game").string() << "\r\nirc-host\r\n127.0.0.1\r\n"
                                       << "irc-port\r\n" << irc_port << "\r\n";
  registry_.PutString(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, "PlayerName", player_name);
  LobbyApp::Options options;
  options.config_file_name = ini.string();
  options.random_seed = 0;
  options.registry = &registry_;
  // Logged in, the lobby answers pings: not on 2300, which the Windows
  // edition's test beside it needs.
  options.answer_port = test::FreeTcpPort();
  if (adjust) adjust(options);
  lobby_ = std::make_unique<LobbyApp>(options);
  lobby_->window().show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return lobby_->form().IrcClient().Nickname() == player_name; }, kWaitMs));
}

QString ChatRoomWindow::LastChatLine() const {
  QCoreApplication::processEvents();  // the log shows its lines at the end of the turn
  return lobby_->window().chatlog->document()->lastBlock().text();
}

QColor ChatRoomWindow::LastChatColour() const {
  const QTextBlock block = lobby_->window().chatlog->document()->lastBlock();
  return block.begin().fragment().charFormat().foreground().color();
}

}  // namespace lobbyfind::qt
