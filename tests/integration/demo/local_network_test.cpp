// The lobby on the demo's local network, driven as a person would: a real
// chat server, the directory service with news, and four stand-in game hosts
// that announce themselves through the directory from their own addresses.
// The window shows the news, "Login" leads to the Internet games page, and
// the four servers appear with their round-trip times. A host that stops
// withdraws its entry. Screenshots of the three pages are saved.
#include <gtest/gtest.h>

#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/config_keys.h"
#include "directory_server_support.h"
#include "game/memory_registry.h"
#include "game/registry_procedures.h"
#include "game_host_process.h"
#include "ngircd_server.h"
#include "qt/lobby_app.h"

namespace lobbyfind {
namespace {

using chat::testing::NgircdServer;
using directory_service::testing::DirectoryServer;
using directory_service::testing::kServiceConfig;
using directory_service::testing::LobbyGet;
using directory_service::testing::TempDir;
using presence::testing::FreeTcpPort;
using presence::testing::GameHostProcess;
using presence::testing::RunUntil;

struct Host {
  const char* address;
  int game_port;
  int delay_ms;
  const char* name;
  const char* map;
};
constexpr Host kHosts[] = {
    {"127.0.0.2", 2301, 10, "Downtown", "Downtown"},
    {"127.0.0.3", 2302, 40, "Residential", "Residential"},
    {"127.0.0.4", 2303, 90, "Industrial", "Industrial"},
    {"127.0.0.5", 2304, 160, "Slow", "Downtown"},
};

void SavePage(qt::LobbyApp& lobby, const char* name) {
  QDir().mkpath(LOBBYFIND_SCREENSHOT_DIR);
  QTest::qWait(200);  // let the page paint
  EXPECT_TRUE(lobby.window().grab().save(QString(LOBBYFIND_SCREENSHOT_DIR "/") + name + ".png")) << name;
}

class LocalNetwork : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!irc_.Start()) GTEST_SKIP() << irc_.Error();
    dir_.Write("directory.ini", kServiceConfig);
    directory_ = std::make_unique<DirectoryServer>(
        std::vector<std::string>{"--rate", "0", "--db", ":memory:", "--config", dir_.File("directory.ini")},
        dir_.File("directory.log"));
    answer_port_ = FreeTcpPort();
    ASSERT_NE(answer_port_, 0);
    const std::string game_dir = dir_.File("GTA2");
    std::filesystem::create_directories(game_dir);
    std::ofstream(game_dir + "/gta2.exe") << "stand-in";
    std::ofstream(dir_.File("lobbyfind.ini"), std::ios::binary)
        << app::kKeyDirectoryHost << "\r\n127.0.0.1:" << directory_->Port() << "\r\n"
        << app::kKeyIrcHost << "\r\n127.0.0.1\r\n"
        << app::kKeyIrcPort << "\r\n" << irc_.Port() << "\r\n"
        << app::kKeyGtaDir << "\r\n" << game_dir << "\r\n";
  }

  void StartHosts() {
    for (const Host& host : kHosts) {
      hosts_.push_back(std::make_unique<GameHostProcess>());
      const QStringList arguments = {
          "--address", host.address, "--game-port", QString::number(host.game_port), "--delay-ms",
          QString::number(host.delay_ms), "--answer-port", QString::number(answer_port_), "--announce",
          QString("127.0.0.1:%1").arg(directory_->Port()), "--name", host.name, "--map", host.map};
      if (!hosts_.back()->Start(arguments)) {
        GTEST_SKIP() << "UDP " << host.address << ":47624 is taken: " << hosts_.back()->Errors().toStdString();
      }
    }
  }

  [[nodiscard]] std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < lobby_->window().ListBox1->count(); ++i) {
      lines.push_back(lobby_->window().ListBox1->item(i)->text().toStdString());
    }
    return lines;
  }

  [[nodiscard]] std::string ListedServers() const {
    return LobbyGet(directory_->Port(), "GIVEME=SERVERS").body;
  }

  game::MemoryRegistry registry_;
  game::ScopedMachineRegistry installed_{registry_};
  NgircdServer irc_;
  TempDir dir_;
  std::unique_ptr<DirectoryServer> directory_;
  std::uint16_t answer_port_ = 0;
  std::vector<std::unique_ptr<GameHostProcess>> hosts_;
  std::unique_ptr<qt::LobbyApp> lobby_;
};

TEST_F(LocalNetwork, NewsThenLoginThenFourServersWithRoundTrips) {
  StartHosts();
  if (IsSkipped()) return;
  // Every host has announced itself from its own address.
  ASSERT_TRUE(RunUntil([&] {
    const std::string listed = ListedServers();
    for (const Host& host : kHosts) {
      if (listed.find(std::string("<ip>") + host.address + "</ip>") == std::string::npos) return false;
    }
    return true;
  }, 5000)) << ListedServers() << "\n" << directory_->Log();

  qt::LobbyApp::Options options;
  options.config_file_name = dir_.File("lobbyfind.ini");
  options.answer_port = answer_port_;
  lobby_ = std::make_unique<qt::LobbyApp>(options);
  auto& window = lobby_->window();
  window.show();

  // The start page shows the directory's news.
  ASSERT_TRUE(RunUntil([&] { return window.onlinenews->toPlainText().contains("Third"); }, 5000))
      << window.onlinenews->toPlainText().toStdString();
  SavePage(*lobby_, "start");

  QTest::mouseClick(window.Button7, Qt::LeftButton);
  ASSERT_TRUE(RunUntil([&] { return window.PageControl1->currentWidget() == window.tab_Internetgames; }, 10000))
      << "the login did not reach the Internet games page";

  // All four servers, in announcement order, each with a time.
  ASSERT_TRUE(RunUntil([&] {
    const auto lines = Lines();
    if (lines.size() != std::size(kHosts)) return false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string tail = std::string("ms] ") + kHosts[i].name + ":" + kHosts[i].map;
      if (!lines[i].starts_with("[") || lines[i].find(tail) == std::string::npos) return false;
    }
    return true;
  }, 10000)) << ::testing::PrintToString(Lines());
  SavePage(*lobby_, "internet-games");

  window.PageControl1->setCurrentIndex(window.PageControl1->count() - 1);
  SavePage(*lobby_, "options");
}

TEST_F(LocalNetwork, AStoppedHostWithdrawsItsAnnouncement) {
  StartHosts();
  if (IsSkipped()) return;
  const std::string ip = std::string("<ip>") + kHosts[0].address + "</ip>";
  const std::string other = std::string("<ip>") + kHosts[1].address + "</ip>";
  ASSERT_TRUE(RunUntil([&] {
    const std::string listed = ListedServers();
    return listed.find(ip) != std::string::npos && listed.find(other) != std::string::npos;
  }, 5000)) << ListedServers();
  hosts_.front().reset();  // SIGTERM, then it withdraws
  const std::string listed = ListedServers();
  EXPECT_EQ(listed.find(ip), std::string::npos) << listed;
  EXPECT_NE(listed.find(other), std::string::npos) << listed;
}

}  // namespace
}  // namespace lobbyfind
