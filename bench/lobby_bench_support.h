// The program's window for the benchmarks: the real LobbyApp (widgets, core,
// Qt sockets) on the offscreen platform, in a scratch folder whose settings
// name a game directory (so no folder dialog blocks) and a directory service
// that the benchmark itself serves from a loopback socket.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/config_keys.h"
#include "bench_figures.h"
#include "game/game_settings.h"
#include "game/memory_registry.h"
#include "integration/presence/game_host_process.h"
#include "qt/lobby_app.h"

namespace lobbyfind::bench {

// Sets the offscreen platform unless the caller chose one; before QApplication.
inline void UseOffscreenPlatform() {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Runs the event loop until `done` holds or `timeout_ms` pass (the same wait
// as the presence tests').
using presence::testing::RunUntil;

// A one-document HTTP/1.0 server on loopback: every request gets `body`,
// then the connection is closed. `sent_at_ms` is when the last reply's
// bytes were handed to the socket.
class ReplyServer {
 public:
  ReplyServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
          request_ += socket->readAll();
          if (!request_.contains("\r\n\r\n")) return;
          request_.clear();
          sent_at_ms = NowMs();
          socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n");
          socket->write(body_);
          socket->disconnectFromHost();
        });
      }
    });
  }
  void SetBody(const std::string& body) { body_ = QByteArray::fromStdString(body); }
  [[nodiscard]] std::uint16_t Port() const { return server_.serverPort(); }
  double sent_at_ms = 0;

 private:
  QTcpServer server_;
  QByteArray body_;
  QByteArray request_;
};

// The lobby in a scratch folder, logged in, its Internet games page shown.
class BenchLobby {
 public:
  // `irc_port`: a chat server on loopback to log in to; 0 for none.
  explicit BenchLobby(std::uint16_t directory_port, std::uint16_t answer_port, std::uint16_t irc_port = 0) {
    const std::string dir = folder_.path().toStdString();
    const std::string game_dir = dir + "/GTA2";
    std::filesystem::create_directories(game_dir);
    std::ofstream(game_dir + "/gta2.exe") << "stand-in";
    std::ofstream(dir + "/lobbyfind.ini", std::ios::binary)
        << app::kKeyDirectoryHost << "\r\n127.0.0.1:" << directory_port << "\r\n"
        << app::kKeyGtaDir << "\r\n" << game_dir << "\r\n";
    if (irc_port != 0) {
      std::ofstream(dir + "/lobbyfind.ini", std::ios::binary | std::ios::app)
          << app::kKeyIrcHost << "\r\n127.0.0.1\r\n" << app::kKeyIrcPort << "\r\n" << irc_port << "\r\n";
      registry_.PutString(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, "PlayerName", "bencher");
    }
    qt::LobbyApp::Options options;
    options.config_file_name = dir + "/lobbyfind.ini";
    options.answer_port = answer_port;
    options.random_seed = 1;
    options.registry = &registry_;
    lobby_ = std::make_unique<qt::LobbyApp>(options);
    lobby_->form().SetOnlineState(app::OnlineState::osOnline);
    // The benchmark asks for lists itself; a periodic refresh in the middle
    // of a measurement would replace the list being measured.
    lobby_->form().Timer2().SetEnabled(false);
    lobby_->view().SetPageVisible(app::Control::tab_Internetgames, true);
    lobby_->view().SetActivePage(app::Control::tab_Internetgames);
    lobby_->window().show();
    // Let the settings load (500 ms after start) run before anything is timed.
    RunUntil([] { return false; }, 700);
  }
  qt::LobbyApp& operator*() { return *lobby_; }
  qt::LobbyApp* operator->() { return lobby_.get(); }

 private:
  game::MemoryRegistry registry_;
  QTemporaryDir folder_;
  std::unique_ptr<qt::LobbyApp> lobby_;
};

}  // namespace lobbyfind::bench
