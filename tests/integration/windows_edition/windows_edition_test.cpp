// The Windows edition end to end: lobbyfind.exe runs under Wine on its own
// Xvfb display, in a fresh prefix, with a settings file that points to the
// local network (directory service, a real ngircd, four stand-in hosts). A
// driver works its window through messages and reads the game's registry as
// the game does. The player name the game stored in its code page survives
// five starts of the lobby byte for byte. At the last start, of two windows
// titled "GTA2" only the one of the game's own program is ended, and the
// other never marks the user as playing. Login reaches the Internet games
// page, the four servers appear with their round-trip times, a chat line
// reaches a second IRC client; the list is sorted by time, one game marked a
// favourite from the context menu and the list filtered; a stranger's line
// with line breaks in it shows as one line, and a double-click on the second
// shown line joins that line's server: the prefix's registry holds its
// address, the game's stand-in executable was started with " -network" in
// the game directory, and its window marks the user as playing.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
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
  void Say(const std::string& text) {
    socket_.write(("PRIVMSG #" + std::string(app::kChatChannel) + " :" + text + "\r\n").c_str());
    socket_.flush();
  }

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

// The game's player name as the game keeps it: "Jürgen" in Windows-1252,
// written with the game's 8-bit interface.
constexpr const char* kPlayerNameHex = "4AFC7267656E";
// As the driver reads it back: the game's key holds it with its final NUL;
// the virtual store above the key, where the lobby writes too, holds the
// same or nothing.
const std::string kPlayerNameStored = std::string(kPlayerNameHex) + "00";
constexpr const char* kPlayerNameShown = "J\xc3\xbcrgen";
constexpr const char* kPlayingLine = "You are now marked, as playing!";

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

  // Starts the lobby and waits until its settings are loaded (half a second
  // in), which puts the game directory and the player name in place.
  void StartLobby(int start) {
    const QString program = QString::fromStdString(kProgram);
    ASSERT_TRUE(desktop_->Launch({program}, QString::fromStdString(run_dir_))) << start;
    ASSERT_TRUE(Drive({"wait-window", "60"})) << "the main window did not appear at start " << start;
    const std::string folder = WineDesktop::WindowsPath(game_dir_);
    ASSERT_TRUE(RunUntil([&] { return Shown("currentgtadirectory").find(folder) != std::string::npos; }, 10000))
        << "the settings were not loaded at start " << start;
    EXPECT_EQ(Shown("currentplayername"), kPlayerNameShown) << start;
    ExpectPlayerNameKept(start);
  }
  void StopLobby(int start) {
    ASSERT_TRUE(Drive({"close"})) << start;
    ASSERT_TRUE(desktop_->WaitLaunched(30000)) << "the lobby did not end cleanly at start " << start;
    ExpectPlayerNameKept(start);
  }
  void ExpectPlayerNameKept(int start) {
    const auto places = Output({"game-value", "PlayerName"});
    ASSERT_EQ(places.size(), 2U) << start;
    EXPECT_EQ(places[0], "machine " + kPlayerNameStored) << start;
    EXPECT_TRUE(places[1] == "store absent" || places[1] == "store " + kPlayerNameStored)
        << places[1] << " " << start;
  }
  // A copy of the game's stand-in showing a window titled "GTA2".
  std::unique_ptr<QProcess> GameTitledWindow(const std::string& program) {
    return desktop_->Spawn({QString::fromStdString(program), "--window", "GTA2"},
                           QString::fromStdString(dir_.File("other")));
  }
  int WindowsTitledGta2() {
    std::string count;
    Drive({"windows", "GTA2"}, &count);
    return std::atoi(count.c_str());
  }
  // Server-list requests the directory service has answered so far.
  std::size_t ListRequests() {
    const std::string log = directory_->Log();
    std::size_t count = 0;
    const std::string request = "GIVEME=SERVERS";
    for (auto at = log.find(request); at != std::string::npos; at = log.find(request, at + 1)) ++count;
    return count;
  }
  // The first shown line of the chat log holding `text`.
  std::optional<std::string> ChatLogLine(const std::string& text) {
    for (std::string& line : Lines("chatlog")) {
      if (line.find(text) != std::string::npos) return std::move(line);
    }
    return std::nullopt;
  }

  // Runs the driver; true when it exits with 0.
  bool Drive(const QStringList& arguments, std::string* output = nullptr) {
    return desktop_->Run(QStringList{QString::fromStdString(kDriver)} + arguments, output) == 0;
  }
  // What a driver command printed, line by line, without empty lines.
  [[nodiscard]] std::vector<std::string> Output(const QStringList& command) {
    std::string output;
    Drive(command, &output);
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  [[nodiscard]] std::vector<std::string> Items(const char* control) { return Output({"items", control}); }
  // The shown lines of a rich edit.
  [[nodiscard]] std::vector<std::string> Lines(const char* control) { return Output({"lines", control}); }
  // What a control shows, as UTF-8.
  std::string Shown(const char* control) {
    std::string text;
    Drive({"text", control}, &text);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
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

  // The game's player name, stored by the game, is shown and left as it
  // is by each start and end of the lobby.
  ASSERT_TRUE(Drive({"set-game-value", "PlayerName", kPlayerNameHex}));
  ASSERT_NO_FATAL_FAILURE(ExpectPlayerNameKept(0));
  for (int start = 1; start <= 4; ++start) {
    ASSERT_NO_FATAL_FAILURE(StartLobby(start));
    ASSERT_NO_FATAL_FAILURE(StopLobby(start));
  }

  // Explorer showing the game's folder is titled like the game: a program of
  // that name outside the game's folder stands for it. At its start the
  // lobby ends only the game's own window.
  const std::string other_program = dir_.File("other/" + std::string(game::kGameExecutable));
  std::filesystem::create_directories(dir_.File("other"));
  std::filesystem::copy_file(kStandIn, other_program);
  // The other window opens last, so a search by title alone meets it first.
  const auto game = GameTitledWindow(game_dir_ + "/" + std::string(game::kGameExecutable));
  ASSERT_TRUE(game && RunUntil([&] { return WindowsTitledGta2() == 1; }, 20000)) << "the game did not open";
  const auto other = GameTitledWindow(other_program);
  ASSERT_TRUE(other && RunUntil([&] { return WindowsTitledGta2() == 2; }, 20000)) << "the other did not open";

  ASSERT_NO_FATAL_FAILURE(StartLobby(5));
  // Ended from outside: the stand-in never ends by itself with exit code 0.
  EXPECT_TRUE(RunUntil([&] { return game->state() == QProcess::NotRunning; }, 15000))
      << "the game's window was not ended";
  EXPECT_EQ(game->exitCode(), 0);
  EXPECT_EQ(other->state(), QProcess::Running) << "another program was ended";
  EXPECT_TRUE(RunUntil([&] { return WindowsTitledGta2() == 1; }, 10000));
  // A name the chat server takes, as the user would type it.
  ASSERT_TRUE(Drive({"set-text", "currentplayername", "winplayer"}));
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

  // All four servers, each with its round trip, in the directory's order:
  // that of the hosts' announcements, which race each other.
  std::vector<std::string> lines;
  ASSERT_TRUE(RunUntil([&] {
    lines = Items("ListBox1");
    if (lines.size() != std::size(kHosts)) return false;
    return std::ranges::all_of(kHosts, [&](const Host& host) {
      const std::string tail = std::string("ms] ") + host.name + ":" + host.map;
      return std::ranges::count_if(lines, [&](const std::string& line) {
               return line.starts_with("[") && line.ends_with(tail);
             }) == 1;
    });
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
    lines = Items("ListBox1");
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
    lines = Items("ListBox1");
    return std::ranges::none_of(lines, [](const std::string& line) { return line.starts_with("[*]"); });
  }, 20000)) << ::testing::PrintToString(lines);
  Screenshot("internet-games");
  config::cConfigFile stored(run_dir_ + "/" + std::string(app::kConfigFileName));
  std::string value;
  EXPECT_TRUE(stored.ReadString(app::kKeyFavourites, value) && value == slow.name) << value;
  EXPECT_TRUE(stored.ReadString(app::kKeySortByTime, value) && value == "1") << value;

  // Two ticks (each asks for the server list) while online with the other
  // program's window open: the user is not marked as playing.
  const std::size_t requests = ListRequests();
  ASSERT_TRUE(RunUntil([&] { return ListRequests() >= requests + 2; }, 30000)) << directory_->Log();
  EXPECT_FALSE(ChatLogLine(kPlayingLine).has_value()) << Shown("chatlog");

  // A stranger's line with breaks in it that a rich edit would honour shows
  // as one line. The chat server ends a line at a bare CR itself, so no CR
  // reaches the lobby through it; the others it passes on.
  listener.Say("wine first\vsecond\xe2\x80\xa8third\xe2\x80\xa9" "fourth\x0c" "fifth");
  std::optional<std::string> stranger;
  ASSERT_TRUE(RunUntil([&] { return (stranger = ChatLogLine("wine first")).has_value(); }, 10000))
      << Shown("chatlog");
  EXPECT_TRUE(stranger->ends_with("fifth")) << *stranger;
  for (const char* part : {"second", "third", "fourth"}) {
    EXPECT_NE(stranger->find(part), std::string::npos) << part << " is on a line of its own:\n" << Shown("chatlog");
  }
  Screenshot("stranger-line");

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
  // The started game's window marks the user as playing.
  EXPECT_TRUE(RunUntil([&] { return ChatLogLine(kPlayingLine).has_value(); }, 15000)) << Shown("chatlog");

  ASSERT_TRUE(Drive({"page", "tab_Options"}));
  Screenshot("options");
}

}  // namespace
}  // namespace lobbyfind
