// The lobby on the demo's local network, driven as a person would, on a real
// X display: a real chat server with a second user, the directory service
// with news, four stand-in game hosts that announce themselves from their own
// addresses, the game's settings in a Wine prefix's registry file, and the
// demo's stand-ins for Wine and for the game. The window shows the news,
// "Login" leads to the Internet games page with the four servers and their
// round-trip times; a chat line and a whisper reach the other user; sorted
// by time, a favourite marked and the list filtered, a double-click joins
// the server of the line clicked; "Host a game" is announced in the directory
// while the game runs and withdrawn after it ends. Screenshots of the three
// pages are saved.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/config_keys.h"
#include "directory_server_support.h"
#include "game/connection_address.h"
#include "game/game_settings.h"
#include "game/registry_procedures.h"
#include "game_host_process.h"
#include "local_network_hosts.h"
#include "irc_peer.h"
#include "ngircd_server.h"
#include "platform/linux/wine_prefix_registry.h"
#include "qt/lobby_app.h"
#include "support/peer_unavailable.h"

namespace lobbyfind {
namespace {

using chat::testing::IrcPeer;
using chat::testing::NgircdServer;
using directory_service::testing::DirectoryServer;
using directory_service::testing::kServiceConfig;
using directory_service::testing::LobbyGet;
using directory_service::testing::TempDir;
using presence::testing::FreeTcpPort;
using presence::testing::GameHostProcess;
using presence::testing::RunUntil;

constexpr int kWaitMs = 10000;
// Short ticks keep the test quick: the hosted game is withdrawn five ticks
// after its last answer.
constexpr int kRefreshMs = 1000;
constexpr const char* kPlayer = "Tester";
constexpr const char* kPeer = "peer";

using Host = LocalNetworkHost;
constexpr const auto& kHosts = kLocalNetworkHosts;

void SavePage(qt::LobbyApp& lobby, const char* name) {
  QDir().mkpath(LOBBYFIND_SCREENSHOT_DIR);
  // grab() paints the window as it stands now, whatever the display.
  EXPECT_TRUE(lobby.window().grab().save(QString(LOBBYFIND_SCREENSHOT_DIR "/") + name + ".png")) << name;
}

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

void CopyExecutable(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(to, std::filesystem::perms::owner_all);
}

// The address as the game reads it: UTF-16LE, two-byte terminator.
std::vector<std::uint8_t> Utf16Address(const std::string& address) {
  std::vector<std::uint8_t> bytes;
  for (const char c : address) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

class LocalNetwork : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!irc_.Start()) PEER_UNAVAILABLE() << irc_.Error();
    dir_.Write("directory.ini", kServiceConfig);
    directory_ = std::make_unique<DirectoryServer>(
        std::vector<std::string>{"--rate", "0", "--db", ":memory:", "--config", dir_.File("directory.ini")},
        dir_.File("directory.log"));
    answer_port_ = FreeTcpPort();
    ASSERT_NE(answer_port_, 0);
  }

  void TearDown() override {
    lobby_.reset();
    EndHostedGame();
  }

  void StartHosts() {
    for (const Host& host : kHosts) {
      hosts_.push_back(std::make_unique<GameHostProcess>());
      const QStringList arguments = {
          "--address", host.address, "--game-port", QString::number(host.game_port), "--delay-ms",
          QString::number(host.delay_ms), "--answer-port", QString::number(answer_port_), "--announce",
          QString("127.0.0.1:%1").arg(directory_->Port()), "--name", host.name, "--map", host.map};
      if (!hosts_.back()->Start(arguments)) {
        PEER_UNAVAILABLE() << "UDP " << host.address << ":47624 is taken: " << hosts_.back()->Errors().toStdString();
      }
    }
  }

  // The demo folder in small: the game directory with the stand-in game,
  // the stand-in Wine as launcher, a Wine prefix whose registry holds the
  // player's name, and the settings file pointing at all of it.
  void StartLobby() {
    std::filesystem::create_directories(game_dir_);
    std::filesystem::create_directories(prefix_);
    std::ofstream(prefix_ + "/system.reg", std::ios::binary)
        << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n";
    game::RegWriteString(registry_, game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, "PlayerName", kPlayer);
    CopyExecutable(LOBBYFIND_STAND_IN_DIR "/stand-in-game.sh", game_dir_ + "/gta2.exe");
    CopyExecutable(LOBBYFIND_STAND_IN_DIR "/stand-in-wine.sh", dir_.File("stand-in-wine.sh"));
    std::ofstream(game_dir_ + "/stand-in.conf")
        << "GAMEHOST='" << LOBBYFIND_GAMEHOST_PATH << "'\nSYSTEM_REG='" << prefix_ << "/system.reg'\n"
        << "ANSWER_PORT=" << answer_port_ << "\nHOST_SECONDS=60\n";
    std::ofstream(dir_.File("lobbyfind.ini"), std::ios::binary)
        << app::kKeyDirectoryHost << "\r\n127.0.0.1:" << directory_->Port() << "\r\n"
        << app::kKeyIrcHost << "\r\n127.0.0.1\r\n"
        << app::kKeyIrcPort << "\r\n" << irc_.Port() << "\r\n"
        << app::kKeyGtaDir << "\r\n" << game_dir_ << "\r\n"
        << app::kKeyLauncher << "\r\n" << dir_.File("stand-in-wine.sh") << "\r\n"
        << app::kKeyRefreshInterval << "\r\n" << kRefreshMs << "\r\n";

    qt::LobbyApp::Options options;
    options.config_file_name = dir_.File("lobbyfind.ini");
    options.answer_port = answer_port_;
    // ctest runs this program through under_xvfb.sh: a real X display.
    EXPECT_EQ(QGuiApplication::platformName().toStdString(), "xcb") << "not on an X display";
    options.registry = &registry_;
    lobby_ = std::make_unique<qt::LobbyApp>(options);
    lobby_->window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lobby_->window()));
    WatchForDialogs();
  }

  // Nothing in this session asks the user a question: a dialog or menu that
  // waits for an answer would hold the test until ctest ends it, without a
  // word of what it asked. It fails the test with its text instead and is
  // closed, so the rest of the session still runs.
  void WatchForDialogs() {
    QObject::connect(&dialog_watch_, &QTimer::timeout, [this] {
      // A menu counts once it is still up a tick after it was first seen.
      QWidget* popup = QApplication::activePopupWidget();
      QWidget* waiting = QApplication::activeModalWidget();
      if (waiting == nullptr && popup != nullptr && popup == seen_popup_) waiting = popup;
      seen_popup_ = popup;
      if (waiting == nullptr) return;
      QString text = waiting->windowTitle();
      if (auto* box = qobject_cast<QMessageBox*>(waiting)) text += ": " + box->text();
      if (auto* input = qobject_cast<QInputDialog*>(waiting)) text += ": " + input->labelText();
      ADD_FAILURE() << "the lobby waited for an answer: " << text.toStdString();
      waiting->close();
    });
    dialog_watch_.start(1000);
  }

  [[nodiscard]] std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < lobby_->window().ListBox1->count(); ++i) {
      lines.push_back(lobby_->window().ListBox1->item(i)->text().toStdString());
    }
    return lines;
  }

  // The stand-in host whose line `line` is, or null.
  [[nodiscard]] static const Host* HostOfLine(const std::string& line) {
    for (const Host& host : kHosts) {
      if (line.ends_with(std::string(" ") + host.name + ":" + host.map)) return &host;
    }
    return nullptr;
  }

  // One line for every stand-in host, each with a round trip. The order is
  // the directory's, which is the order in which the hosts' first
  // announcements happened to arrive.
  [[nodiscard]] bool AllServersTimed() const {
    const auto lines = Lines();
    if (lines.size() != std::size(kHosts)) return false;
    std::set<const Host*> seen;
    for (const std::string& line : lines) {
      const Host* host = HostOfLine(line);
      if (host == nullptr || !line.starts_with("[") ||
          line.find(std::string("ms] ") + host->name + ":") == std::string::npos) {
        return false;
      }
      seen.insert(host);
    }
    return seen.size() == std::size(kHosts);
  }

  // The shown lines are those of `hosts`, in this order, each with a time.
  [[nodiscard]] bool ShownTimed(const std::vector<const Host*>& hosts) const {
    const auto lines = Lines();
    if (lines.size() != hosts.size()) return false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (HostOfLine(lines[i]) != hosts[i] || lines[i].starts_with("[*]")) return false;
    }
    return true;
  }

  // The context menu on a game line, its one entry chosen as a user does,
  // once the menu is there.
  void MarkFavourite(int line) {
    QListWidget& list = *lobby_->window().ListBox1;
    QTimer chooser;
    QObject::connect(&chooser, &QTimer::timeout, [&chooser] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        chooser.stop();
        menu->setActiveAction(menu->actions().value(0));
        QTest::keyClick(menu, Qt::Key_Return);
      }
    });
    chooser.start(10);
    const QPoint at = list.visualItemRect(list.item(line)).center();
    QContextMenuEvent right_click(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &right_click);
  }

  [[nodiscard]] std::string ListedServers() const {
    return LobbyGet(directory_->Port(), "GIVEME=SERVERS").body;
  }

  // Asks the directory every 100 ms, not on every turn of the event loop.
  [[nodiscard]] bool ListingBecomes(const std::function<bool(const std::string&)>& wanted, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 100) {
      if (wanted(ListedServers())) return true;
      RunUntil([] { return false; }, 100);
    }
    return false;
  }

  [[nodiscard]] bool ChatLogHas(const QString& line) const {
    QCoreApplication::processEvents();  // the log shows its lines at the end of the turn
    return lobby_->window().chatlog->toPlainText().split('\n').contains(line);
  }

  // Types into the chat input as a user does and presses Enter.
  void TypeIntoChat(const QString& text) {
    auto* input = lobby_->window().Edit3;
    QTest::mouseClick(input, Qt::LeftButton);  // the placeholder goes
    QTest::keyClicks(input, text);
    QTest::keyClick(input, Qt::Key_Return);
  }

  [[nodiscard]] std::vector<std::uint8_t> NetworkValue(const char* name) {
    game::RegistryValue value;
    const auto key = registry_.Open(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, false);
    if (!key || key->Query(name, value) != game::QueryStatus::kFound) return {};
    return value.data;
  }

  void EndHostedGame() {
    const std::string pid_file = game_dir_ + "/stand-in.pid";
    const std::string pid = ReadFile(pid_file);
    if (!pid.empty()) ::kill(std::stoi(pid), SIGTERM);
    std::filesystem::remove(pid_file);
  }

  TempDir dir_;
  const std::string game_dir_ = dir_.File("GTA2");
  const std::string prefix_ = dir_.File("wine");
  platform::WinePrefixRegistry registry_{prefix_};
  NgircdServer irc_;
  std::unique_ptr<DirectoryServer> directory_;
  std::uint16_t answer_port_ = 0;
  std::vector<std::unique_ptr<GameHostProcess>> hosts_;
  std::unique_ptr<qt::LobbyApp> lobby_;
  QTimer dialog_watch_;
  QPointer<QWidget> seen_popup_;
};

TEST_F(LocalNetwork, NewsLoginServersChatWhisperJoinAndHost) {
  StartHosts();
  if (IsSkipped()) return;
  // Every host has announced itself from its own address.
  ASSERT_TRUE(ListingBecomes([&](const std::string& listed) {
    for (const Host& host : kHosts) {
      if (listed.find(std::string("<ip>") + host.address + "</ip>") == std::string::npos) return false;
    }
    return true;
  }, 5000)) << ListedServers() << "\n" << directory_->Log();

  StartLobby();
  if (HasFatalFailure()) return;
  auto& window = lobby_->window();

  // The start page shows the directory's news.
  ASSERT_TRUE(RunUntil([&] { return window.onlinenews->toPlainText().contains("Third"); }, kWaitMs))
      << window.onlinenews->toPlainText().toStdString();
  SavePage(*lobby_, "start");

  QTest::mouseClick(window.Button7, Qt::LeftButton);
  ASSERT_TRUE(RunUntil([&] { return window.PageControl1->currentWidget() == window.tab_Internetgames; }, kWaitMs))
      << "the login did not reach the Internet games page";

  // All four servers, each with a time.
  ASSERT_TRUE(RunUntil([&] { return AllServersTimed(); }, kWaitMs)) << ::testing::PrintToString(Lines());

  // A second user joins the channel and shows in the players list.
  IrcPeer peer;
  ASSERT_TRUE(peer.JoinChannel(irc_.Port(), kPeer, "#lobbyfind", kWaitMs));
  ASSERT_TRUE(RunUntil([&] { return !window.ListBox2->findItems(kPeer, Qt::MatchExactly).isEmpty(); }, kWaitMs));

  // A chat line typed into the input reaches the channel from the player.
  TypeIntoChat("anyone for a game?");
  const std::string channel_line = peer.WaitForLine(" PRIVMSG #lobbyfind :anyone for a game?", kWaitMs);
  EXPECT_TRUE(channel_line.starts_with(std::string(":") + kPlayer + "!")) << channel_line;
  EXPECT_TRUE(ChatLogHas(QString(kPlayer) + ": anyone for a game?"));

  // With the peer selected in the players list, the line is a whisper to
  // the peer alone, and the selection is cleared afterwards.
  QListWidgetItem* peer_item = window.ListBox2->findItems(kPeer, Qt::MatchExactly).front();
  QTest::mouseClick(window.ListBox2->viewport(), Qt::LeftButton, {},
                    window.ListBox2->visualItemRect(peer_item).center());
  ASSERT_TRUE(peer_item->isSelected());
  TypeIntoChat("join my game");
  const std::string whisper = peer.WaitForLine(std::string(" PRIVMSG ") + kPeer + " :join my game", kWaitMs);
  EXPECT_TRUE(whisper.starts_with(std::string(":") + kPlayer + "!")) << whisper;
  EXPECT_TRUE(ChatLogHas(QString("To ") + kPeer + ": join my game"));
  EXPECT_FALSE(peer_item->isSelected());
  EXPECT_EQ(peer.WaitForLine(" PRIVMSG #lobbyfind :join my game", 200), "") << "the whisper went to the channel";
  peer.Send(std::string("PRIVMSG ") + kPlayer + " :on my way");
  EXPECT_TRUE(RunUntil([&] { return ChatLogHas(QString(kPeer) + " whispers : on my way"); }, kWaitMs));
  // The page with the conversation and the timed servers (every refresh
  // puts the lines back to "[*]" until the next answers).
  EXPECT_TRUE(RunUntil([&] { return AllServersTimed(); }, kWaitMs)) << ::testing::PrintToString(Lines());

  // The list at a glance: sorted by time, the slowest game a favourite
  // (first, in bold), then narrowed to the games whose name or map holds an
  // "s", in any case.
  const Host* downtown = &kHosts[0];
  const Host* residential = &kHosts[1];
  const Host* industrial = &kHosts[2];
  const Host* slow = &kHosts[3];
  QTest::mouseClick(window.sortgamesbytime, Qt::LeftButton);
  ASSERT_TRUE(window.sortgamesbytime->isChecked());
  ASSERT_TRUE(RunUntil([&] { return ShownTimed({downtown, residential, industrial, slow}); }, kWaitMs))
      << ::testing::PrintToString(Lines());
  MarkFavourite(3);
  ASSERT_TRUE(RunUntil([&] { return ShownTimed({slow, downtown, residential, industrial}); }, kWaitMs))
      << ::testing::PrintToString(Lines());
  EXPECT_TRUE(window.ListBox1->item(0)->font().bold());
  QTest::keyClicks(window.gamefilter, "S");
  ASSERT_TRUE(RunUntil([&] { return ShownTimed({slow, residential, industrial}); }, kWaitMs))
      << ::testing::PrintToString(Lines());
  SavePage(*lobby_, "internet-games");

  // A double-click on the second line of the filtered, sorted list writes
  // that line's server's address for the game and starts the game through
  // the launcher, in the game's directory.
  // Sent to the window, as the display delivers input: the list does not
  // see a double-click sent by QTest straight to its viewport. A refresh
  // that replaces the list between the two clicks can swallow the
  // double-click, as it would a person's, who then clicks again: so does the
  // test, as long as nothing was launched.
  const Host* joined = HostOfLine(Lines().at(1));
  ASSERT_EQ(joined, residential) << ::testing::PrintToString(Lines());
  const QRect second = window.ListBox1->visualItemRect(window.ListBox1->item(1));
  const QPoint at = window.ListBox1->viewport()->mapTo(&window, second.center());
  const std::string launches = dir_.File("launches.log");
  const std::string game_launch = game_dir_ + "|" + game_dir_ + "/gta2.exe -network\n";
  for (int attempt = 0; attempt < 3 && ReadFile(launches).empty(); ++attempt) {
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, at);
    (void)RunUntil([&] { return !ReadFile(launches).empty(); }, 2000);
  }
  ASSERT_TRUE(RunUntil([&] { return ReadFile(launches) == game_launch; }, kWaitMs)) << ReadFile(launches);
  EXPECT_EQ(NetworkValue("TCPIPAddrStringd"), Utf16Address(joined->address));
  EXPECT_EQ(NetworkValue("UseProtocold"), std::vector<std::uint8_t>(game::kDpspGuidTcpip.begin(), game::kDpspGuidTcpip.end()));
  EXPECT_EQ(NetworkValue("UseConnectiond"), game::ConnectionBlock(joined->address));
  const std::string stand_in_log = game_dir_ + "/stand-in.log";
  EXPECT_TRUE(RunUntil([&] { return ReadFile(stand_in_log).find("joining") != std::string::npos; }, kWaitMs))
      << ReadFile(stand_in_log);

  // "Host a game": an empty address, the same launch; the stand-in game
  // hosts on 127.0.0.1, the lobby's ping finds it and announces it.
  window.PageControl1->setCurrentWidget(window.tab_Internetgames);
  QTest::mouseClick(window.Button4, Qt::LeftButton);
  ASSERT_TRUE(RunUntil([&] { return ReadFile(launches) == game_launch + game_launch; }, kWaitMs)) << ReadFile(launches);
  EXPECT_EQ(NetworkValue("TCPIPAddrStringd"), Utf16Address(""));
  const std::string own = "<ip>127.0.0.1</ip>";
  ASSERT_TRUE(ListingBecomes([&](const std::string& listed) {
    return listed.find(own) != std::string::npos && listed.find(kPlayer) != std::string::npos;
  }, kWaitMs)) << ListedServers() << "\n" << ReadFile(stand_in_log);

  // The game ends: five ticks later the lobby withdraws it; the others stay.
  EndHostedGame();
  ASSERT_TRUE(ListingBecomes([&](const std::string& listed) { return listed.find(own) == std::string::npos; },
                             6 * kRefreshMs + kWaitMs))
      << ListedServers();
  EXPECT_NE(ListedServers().find(std::string("<ip>") + kHosts[0].address + "</ip>"), std::string::npos);

  window.PageControl1->setCurrentIndex(window.PageControl1->count() - 1);
  SavePage(*lobby_, "options");
}

TEST_F(LocalNetwork, AStoppedHostWithdrawsItsAnnouncement) {
  StartHosts();
  if (IsSkipped()) return;
  const std::string ip = std::string("<ip>") + kHosts[0].address + "</ip>";
  const std::string other = std::string("<ip>") + kHosts[1].address + "</ip>";
  ASSERT_TRUE(ListingBecomes([&](const std::string& listed) {
    return listed.find(ip) != std::string::npos && listed.find(other) != std::string::npos;
  }, 5000)) << ListedServers();
  hosts_.front().reset();  // SIGTERM, then it withdraws
  const std::string listed = ListedServers();
  EXPECT_EQ(listed.find(ip), std::string::npos) << listed;
  EXPECT_NE(listed.find(other), std::string::npos) << listed;
}

}  // namespace
}  // namespace lobbyfind
