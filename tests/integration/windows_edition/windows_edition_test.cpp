// The Windows edition end to end: lobbyfind.exe runs under Wine on its own
// Xvfb display, in a fresh prefix, with a settings file that points to the
// local network (directory service, a real ngircd, four stand-in hosts). A
// driver works its window through messages: Login reaches the Internet games
// page, the four servers appear with their round-trip times, a chat line
// reaches a second IRC client; the list is sorted by time, one game marked a
// favourite from the context menu and the list filtered, and a double-click
// on the second shown line joins that line's server: the prefix's registry
// holds its address and the game's stand-in executable was started with
// " -network" in the game directory.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/chat_room.h"
#include "app/config_keys.h"
#include "config/config_file.h"
#include "directory_server_support.h"
#include "game/game_files.h"
#include "game/game_settings.h"
#include "game_host_process.h"
#include "local_network_hosts.h"
#include "ngircd_server.h"
#include "presence/answer_server.h"
#include "wine_desktop_support.h"
#include "support/peer_unavailable.h"

namespace lobbyfind {
namespace {

using chat::testing::NgircdServer;
using directory_service::testing::DirectoryServer;
using directory_service::testing::kServiceConfig;
using directory_service::testing::LobbyGet;
using directory_service::testing::TempDir;
using presence::testing::GameHostProcess;
using presence::testing::RunUntil;
using win32::testing::WineDesktop;

const std::string kBin = LOBBYFIND_WINDOWS_BIN;
const std::string kProgram = kBin + "/src/win32/lobbyfind.exe";
const std::string kDriver = kBin + "/tests/windows/lobbyfind_driver.exe";
const std::string kStandIn = kBin + "/tests/windows/gta2_standin.exe";

using Host = LocalNetworkHost;
constexpr const auto& kHosts = kLocalNetworkHosts;

// A second chat user in the channel, who only listens.
class IrcListener {
 public:
  bool Join(std::uint16_t port) {
    socket_.connectToHost("127.0.0.1", port);
    if (!socket_.waitForConnected(5000)) return false;
    socket_.write("NICK listener\r\nUSER listener 0 * :listener\r\n");
    if (!Await(" 001 ")) return false;
    socket_.write(("JOIN #" + std::string(app::kChatChannel) + "\r\n").c_str());
    return Await(" 366 ");
  }
  // Waits until the server sent a line holding `text`.
  bool Await(const std::string& text, int timeout_ms = 10000) {
    return RunUntil([&] {
      received_ += socket_.readAll().toStdString();
      return received_.find(text) != std::string::npos;
    }, timeout_ms);
  }
  [[nodiscard]] const std::string& Received() const { return received_; }

 private:
  QTcpSocket socket_;
  std::string received_;
};

// The bytes of an address as the game's registry holds it: UTF-16LE, as
// `reg query` prints binary data (upper-case hex, no separators).
std::string WideHex(const std::string& text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (const unsigned char c : text) {
    hex += {kDigits[c >> 4], kDigits[c & 15], '0', '0'};
  }
  return hex;
}

std::string Lower(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class WindowsEdition : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& file : {kProgram, kDriver, kStandIn}) {
      if (!std::filesystem::exists(file)) {
        PEER_UNAVAILABLE() << file << " is missing: build the Windows edition first (bash scripts/lanes/windows.sh)";
      }
    }
    QTcpServer probe;
    if (!probe.listen(QHostAddress::AnyIPv4, presence::kAnswerPort)) {
      PEER_UNAVAILABLE() << "TCP port " << presence::kAnswerPort << " is taken; the program needs it";
    }
    probe.close();
    if (!irc_.Start()) PEER_UNAVAILABLE() << irc_.Error();
    dir_.Write("directory.ini", kServiceConfig);
    directory_ = std::make_unique<DirectoryServer>(
        std::vector<std::string>{"--rate", "0", "--db", ":memory:", "--config", dir_.File("directory.ini")},
        dir_.File("directory.log"));
    for (const Host& host : kHosts) {
      hosts_.push_back(std::make_unique<GameHostProcess>());
      const QStringList arguments = {
          "--address", host.address, "--game-port", QString::number(host.game_port), "--delay-ms",
          QString::number(host.delay_ms), "--answer-port", QString::number(presence::kAnswerPort),
          "--announce", QString("127.0.0.1:%1").arg(directory_->Port()), "--name", host.name, "--map", host.map};
      if (!hosts_.back()->Start(arguments)) {
        PEER_UNAVAILABLE() << "UDP " << host.address << ":47624 is taken: " << hosts_.back()->Errors().toStdString();
      }
    }
    desktop_ = std::make_unique<WineDesktop>(dir_.File("wine"));
    ASSERT_TRUE(desktop_->Start()) << desktop_->Error();

    game_dir_ = dir_.File("GTA2");
    std::filesystem::create_directories(game_dir_);
    std::filesystem::copy_file(kStandIn, game_dir_ + "/" + std::string(game::kGameExecutable));
    run_dir_ = dir_.File("run");
    std::filesystem::create_directories(run_dir_);
    config::cConfigFile settings(run_dir_ + "/" + std::string(app::kConfigFileName));
    settings.WriteString(app::kKeyDirectoryHost, "127.0.0.1:" + std::to_string(directory_->Port()));
    settings.WriteString(app::kKeyIrcHost, "127.0.0.1");
    settings.WriteString(app::kKeyIrcPort, std::to_string(irc_.Port()));
    settings.WriteString(app::kKeyGtaDir, WineDesktop::WindowsPath(game_dir_));
    settings.Save();
  }

  // Runs the driver; true when it exits with 0.
  bool Drive(const QStringList& arguments, std::string* output = nullptr) {
    return desktop_->Run(QStringList{QString::fromStdString(kDriver)} + arguments, output) == 0;
  }
  [[nodiscard]] std::vector<std::string> Lines(const char* control) {
    std::string output;
    Drive({"items", control}, &output);
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  // What a control shows, for failure messages.
  std::string Shown(const char* control) {
    std::string text;
    Drive({"text", control}, &text);
    return text;
  }
  void Screenshot(const char* name) {
    QDir().mkpath(LOBBYFIND_SCREENSHOT_DIR);
    QTest::qWait(500);  // let the page paint
    EXPECT_TRUE(desktop_->Screenshot(std::string(LOBBYFIND_SCREENSHOT_DIR "/") + name + ".png")) << name;
  }

  NgircdServer irc_;
  TempDir dir_;
  std::unique_ptr<DirectoryServer> directory_;
  std::vector<std::unique_ptr<GameHostProcess>> hosts_;
  std::unique_ptr<WineDesktop> desktop_;
  std::string game_dir_;
  std::string run_dir_;
};

TEST_F(WindowsEdition, LoginListChatAndJoinUnderWine) {
  ASSERT_TRUE(RunUntil([&] {
    const std::string listed = LobbyGet(directory_->Port(), "GIVEME=SERVERS").body;
    return std::ranges::all_of(kHosts, [&](const Host& host) {
      return listed.find(std::string("<ip>") + host.address + "</ip>") != std::string::npos;
    });
  }, 5000)) << directory_->Log();

  ASSERT_TRUE(desktop_->Launch({QString::fromStdString(kProgram)}, QString::fromStdString(run_dir_)));
  ASSERT_TRUE(Drive({"wait-window", "60"})) << "the main window did not appear";
  // The settings load (half a second in) put the game directory in place.
  ASSERT_TRUE(RunUntil([&] {
    std::string shown;
    Drive({"text", "currentgtadirectory"}, &shown);
    return shown.find(WineDesktop::WindowsPath(game_dir_)) != std::string::npos;
  }, 10000)) << "the settings were not loaded";
  // The news of the directory service on the start page.
  EXPECT_TRUE(RunUntil([&] {
    std::string news;
    Drive({"text", "onlinenews"}, &news);
    return news.find("Third") != std::string::npos;
  }, 10000));
  Screenshot("start");

  IrcListener listener;
  ASSERT_TRUE(listener.Join(irc_.Port())) << listener.Received();

  ASSERT_TRUE(Drive({"click", "Button7"}));
  ASSERT_TRUE(RunUntil([&] { return Drive({"visible", "tab_Internetgames"}); }, 20000))
      << "the login did not reach the Internet games page";

  // All four servers, in announcement order, each with its round trip.
  std::vector<std::string> lines;
  ASSERT_TRUE(RunUntil([&] {
    lines = Lines("ListBox1");
    if (lines.size() != std::size(kHosts)) return false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string tail = std::string("ms] ") + kHosts[i].name + ":" + kHosts[i].map;
      if (!lines[i].starts_with("[") || lines[i].find(tail) == std::string::npos) return false;
    }
    return true;
  }, 20000)) << ::testing::PrintToString(lines) << "\n" << Shown("chatlog") << "\n" << Shown("StatusBar")
              << (Screenshot("failed"), "");

  // A chat line typed and sent with Enter reaches the other user.
  ASSERT_TRUE(Drive({"set-text", "Edit3", "hello from wine"}));
  ASSERT_TRUE(Drive({"enter", "Edit3"}));
  EXPECT_TRUE(listener.Await("PRIVMSG #" + std::string(app::kChatChannel) + " :hello from wine"))
      << listener.Received();

  // Sorted by time, the slowest game a favourite (first, in bold), and the
  // list narrowed to the games whose name or map holds an "s", in any case.
  ASSERT_TRUE(Drive({"check", "sortgamesbytime"}));
  const auto shown_as = [&](const std::vector<const Host*>& hosts) {
    lines = Lines("ListBox1");
    if (lines.size() != hosts.size()) return false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (!lines[i].ends_with(std::string(hosts[i]->name) + ":" + hosts[i]->map)) return false;
    }
    return true;
  };
  const Host& downtown = kHosts[0];
  const Host& residential = kHosts[1];
  const Host& industrial = kHosts[2];
  const Host& slow = kHosts[3];
  ASSERT_TRUE(RunUntil([&] { return shown_as({&downtown, &residential, &industrial, &slow}); }, 20000))
      << ::testing::PrintToString(lines);
  ASSERT_TRUE(Drive({"menu", "ListBox1", "3"}));
  ASSERT_TRUE(RunUntil([&] { return shown_as({&slow, &downtown, &residential, &industrial}); }, 20000))
      << ::testing::PrintToString(lines);
  ASSERT_TRUE(Drive({"set-text", "gamefilter", "S"}));
  ASSERT_TRUE(RunUntil([&] { return shown_as({&slow, &residential, &industrial}); }, 20000))
      << ::testing::PrintToString(lines);
  // Every line with its time again, for the picture.
  EXPECT_TRUE(RunUntil([&] {
    lines = Lines("ListBox1");
    return std::ranges::none_of(lines, [](const std::string& line) { return line.starts_with("[*]"); });
  }, 20000)) << ::testing::PrintToString(lines);
  Screenshot("internet-games");
  config::cConfigFile stored(run_dir_ + "/" + std::string(app::kConfigFileName));
  std::string value;
  EXPECT_TRUE(stored.ReadString(app::kKeyFavourites, value) && value == slow.name) << value;
  EXPECT_TRUE(stored.ReadString(app::kKeySortByTime, value) && value == "1") << value;

  // Joining the second shown line's server: its address in the game's
  // registry, then the game.
  const Host& joined = residential;
  ASSERT_TRUE(Drive({"double-click", "ListBox1", "1"}));
  const std::string record = game_dir_ + "/launch.txt";
  ASSERT_TRUE(RunUntil([&] { return std::filesystem::exists(record); }, 15000)) << "the game was not started";
  std::ifstream in(record, std::ios::binary);
  std::string command_line;
  std::string directory;
  std::getline(in, command_line);
  std::getline(in, directory);
  EXPECT_NE(Lower(command_line).find(Lower(std::string(game::kGameExecutable))), std::string::npos) << command_line;
  EXPECT_TRUE(command_line.ends_with(std::string(game::kNetworkParameter))) << command_line;
  EXPECT_EQ(Lower(directory), Lower(WineDesktop::WindowsPath(game_dir_))) << directory;

  // The game is 32-bit: its key is in the registry's 32-bit view, which a
  // 64-bit program names with Wow6432Node after "SOFTWARE".
  const std::string_view path = game::kNetworkKeyPath;
  const std::string key = "HKLM\\SOFTWARE\\Wow6432Node" + std::string(path.substr(path.find('\\')));
  std::string values;
  EXPECT_EQ(desktop_->Run({"reg", "query", QString::fromStdString(key), "/v", "TCPIPAddrStringd"}, &values), 0)
      << values;
  EXPECT_NE(values.find(WideHex(joined.address)), std::string::npos) << values;

  ASSERT_TRUE(Drive({"page", "tab_Options"}));
  Screenshot("options");
}

}  // namespace
}  // namespace lobbyfind
