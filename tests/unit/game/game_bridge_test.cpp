#include "game/game_bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "game/connection_address.h"
#include "game/memory_registry.h"
#include "game/registry_errors.h"
#include "game/registry_procedures.h"
#include "game/window_control.h"
#include "ports/clock.h"

namespace lobbyfind::game {
namespace {

constexpr auto kBridgeRoot = RegistryRoot::kLocalMachine;
using Bytes = std::vector<std::uint8_t>;

Bytes Dword(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

// Runs one write and returns its failure: the in-memory registry ends a
// batch before it returns.
std::exception_ptr Outcome(const std::function<void(GameBridge::Done)>& write) {
  std::exception_ptr failure;
  bool ended = false;
  write([&](std::exception_ptr f) {
    failure = f;
    ended = true;
  });
  EXPECT_TRUE(ended);
  return failure;
}

template <typename Error>
bool Raised(std::exception_ptr failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const Error&) {
    return true;
  } catch (...) {
  }
  return false;
}

class GameBridgeTest : public ::testing::Test {
 protected:
  MemoryRegistry registry_;
  NoWindows windows_;
  ports::SystemClock clock_;
  GameBridge game_{registry_, windows_, clock_};

  void Store(const char* name, std::uint32_t value) { registry_.PutDword(kBridgeRoot, kNetworkKeyPath, name, value); }
  Bytes Stored(const char* name) {
    const auto value = registry_.Find(kBridgeRoot, kNetworkKeyPath, name);
    return value ? value->data : Bytes{};
  }
};

TEST_F(GameBridgeTest, DefaultsWithoutTheKey) {
  EXPECT_FALSE(game_.GetPolice());
  EXPECT_FALSE(game_.GetShowPlayerNames());
  EXPECT_EQ(game_.GetFragLimit(), 0);
  EXPECT_EQ(game_.GetScoreLimit(), 0);
  EXPECT_EQ(game_.GetGameTimeLimit(), 0);
  EXPECT_EQ(game_.GetGameSpeed(), 1);
  EXPECT_EQ(game_.GetGameType(), 0);
  EXPECT_EQ(game_.GetPlayerName(), "");
  EXPECT_FALSE(registry_.KeyExists(kBridgeRoot, kNetworkKeyPath));
  game_.SetPolice(true, {});
  EXPECT_TRUE(registry_.KeyExists(kBridgeRoot, kNetworkKeyPath));
}

struct Translation {
  const char* value_name;
  std::uint32_t stored;
  int expected;
};

TEST_F(GameBridgeTest, GettersTranslateStoredNumbers) {
  const std::vector<std::pair<std::function<int()>, Translation>> cases = {
      {[this] { return game_.GetPolice() ? 1 : 0; }, {"police", 1, 1}},
      {[this] { return game_.GetPolice() ? 1 : 0; }, {"police", 2, 0}},
      {[this] { return game_.GetPolice() ? 1 : 0; }, {"police", 0, 0}},
      {[this] { return game_.GetShowPlayerNames() ? 1 : 0; }, {"show_player_names", 1, 1}},
      {[this] { return game_.GetShowPlayerNames() ? 1 : 0; }, {"show_player_names", 7, 0}},
      {[this] { return game_.GetGameSpeed(); }, {"game_speed", 0, 0}},
      {[this] { return game_.GetGameSpeed(); }, {"game_speed", 2, 2}},
      {[this] { return game_.GetGameSpeed(); }, {"game_speed", 5, 1}},
      {[this] { return game_.GetGameSpeed(); }, {"game_speed", 0xFFFFFFFF, 1}},
      {[this] { return game_.GetGameType(); }, {"game_type", 0, 0}},
      {[this] { return game_.GetGameType(); }, {"game_type", 1, 0}},
      {[this] { return game_.GetGameType(); }, {"game_type", 2, 1}},
      {[this] { return game_.GetGameType(); }, {"game_type", 3, 2}},
      {[this] { return game_.GetGameType(); }, {"game_type", 4, 0}},
      {[this] { return game_.GetFragLimit(); }, {"f_limit", 70000, 70000}},
      {[this] { return game_.GetScoreLimit(); }, {"s_limit", 0xFFFFFFFF, -1}},
      {[this] { return game_.GetGameTimeLimit(); }, {"game_time_limit", 60, 60}},
  };
  for (const auto& [getter, c] : cases) {
    Store(c.value_name, c.stored);
    EXPECT_EQ(getter(), c.expected) << c.value_name << " stored as " << c.stored;
  }
}

TEST_F(GameBridgeTest, SettersStoreTranslatedNumbers) {
  const std::vector<std::tuple<std::function<void()>, const char*, std::uint32_t>> cases = {
      {[this] { game_.SetPolice(true, {}); }, "police", 1},
      {[this] { game_.SetPolice(false, {}); }, "police", 0},
      {[this] { game_.SetShowPlayerNames(true, {}); }, "show_player_names", 1},
      {[this] { game_.SetFragLimit(70000, {}); }, "f_limit", 4464},
      {[this] { game_.SetFragLimit(65535, {}); }, "f_limit", 65535},
      {[this] { game_.SetScoreLimit(65536, {}); }, "s_limit", 0},
      {[this] { game_.SetGameTimeLimit(60, {}); }, "game_time_limit", 60},
      {[this] { game_.SetGameSpeed(2, {}); }, "game_speed", 2},
      {[this] { game_.SetGameType(0, {}); }, "game_type", 1},
      {[this] { game_.SetGameType(2, {}); }, "game_type", 3},
  };
  for (const auto& [set, name, expected] : cases) {
    set();
    EXPECT_EQ(Stored(name), Dword(expected)) << name;
    EXPECT_EQ(registry_.Find(kBridgeRoot, kNetworkKeyPath, name)->type, reg_type::kDword);
  }
  game_.SetGameType(0, {});
  EXPECT_EQ(game_.GetGameType(), 0);
}

TEST_F(GameBridgeTest, PlayerNameIsAString) {
  game_.SetPlayerName("Jörg", {});
  EXPECT_EQ(registry_.Find(kBridgeRoot, kNetworkKeyPath, "PlayerName")->type, reg_type::kSz);
  EXPECT_EQ(game_.GetPlayerName(), "Jörg");
}

TEST_F(GameBridgeTest, WrongTypeAndFailedWriteReachTheCaller) {
  registry_.PutString(kBridgeRoot, kNetworkKeyPath, "game_speed", "1");
  EXPECT_THROW((void)game_.GetGameSpeed(), RegistryTypeError);
  registry_.FailWritesOf("f_limit");
  EXPECT_TRUE(Raised<RegistryWriteError>(Outcome([&](auto done) { game_.SetFragLimit(1, done); })));
}

TEST_F(GameBridgeTest, EmptyServerAddressForHosting) {
  game_.SetServerAddress("", {});
  EXPECT_EQ(Stored("TCPIPAddrStringd"), (Bytes{0, 0}));
  EXPECT_EQ(Stored("TCPIPAddrStrings"), Dword(2));
  const auto block = Stored("UseConnectiond");
  ASSERT_EQ(block.size(), 82U);
  EXPECT_EQ(Bytes(block.begin() + 20, block.begin() + 24), Dword(82));
  EXPECT_EQ(Bytes(block.begin() + 76, block.begin() + 80), Dword(2));
  EXPECT_EQ(Stored("UseConnections"), Dword(82));
  EXPECT_EQ(Stored("UseProtocold"), Bytes(kDpspGuidTcpip.begin(), kDpspGuidTcpip.end()));
  EXPECT_EQ(Stored("UseProtocols"), Dword(16));
}

TEST_F(GameBridgeTest, ServerAddressByteForByteInOrder) {
  game_.SetServerAddress("10.0.0.1", {});
  const Bytes wide = {0x31, 0, 0x30, 0, 0x2E, 0, 0x30, 0, 0x2E, 0, 0x30, 0, 0x2E, 0, 0x31, 0, 0, 0};
  EXPECT_EQ(Stored("TCPIPAddrStringd"), wide);
  EXPECT_EQ(Stored("TCPIPAddrStrings"), Dword(18));
  EXPECT_EQ(Stored("UseProtocold"),
            (Bytes{0xE0, 0x5E, 0xE9, 0x36, 0x77, 0x85, 0xCF, 0x11, 0x96, 0x0C, 0x00, 0x80, 0xC7, 0x53, 0x4E, 0x82}));
  Bytes block = {0x60, 0xF5, 0x18, 0x13, 0x2C, 0x91, 0xD0, 0x11, 0x9D, 0xAA, 0x00, 0xA0, 0xC9, 0x0A, 0x43, 0xCB,
                 4,    0,    0,    0,    98,   0,    0,    0,    0xC0, 0x16, 0xD9, 0x07, 0xAF, 0xE0, 0xCF, 0x11,
                 0x9C, 0x4E, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x5E, 16,   0,    0,    0,    0xE0, 0x5E, 0xE9, 0x36,
                 0x77, 0x85, 0xCF, 0x11, 0x96, 0x0C, 0x00, 0x80, 0xC7, 0x53, 0x4E, 0x82, 0xA0, 0x32, 0x32, 0xE6,
                 0xBF, 0x9D, 0xD0, 0x11, 0x9C, 0xC1, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x5E, 18,   0,    0,    0};
  block.insert(block.end(), wide.begin(), wide.end());
  EXPECT_EQ(Stored("UseConnectiond"), block);
  EXPECT_EQ(Stored("UseConnections"), Dword(98));

  std::vector<std::string> order;
  for (const auto& write : registry_.writes()) {
    order.push_back(write.name);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"TCPIPAddrStringd", "TCPIPAddrStrings", "UseProtocold", "UseProtocols",
                                             "UseConnectiond", "UseConnections"}));
  EXPECT_EQ(registry_.Find(kBridgeRoot, kNetworkKeyPath, "UseConnectiond")->type, reg_type::kBinary);
}

TEST_F(GameBridgeTest, AddressCharacterAbove127IsThatByteAndZero) {
  game_.SetServerAddress("h\xE9", {});
  EXPECT_EQ(Stored("TCPIPAddrStringd"), (Bytes{'h', 0, 0xE9, 0, 0, 0}));
}

TEST_F(GameBridgeTest, AddressOf109CharactersFitsAnd110IsRefusedBeforeWriting) {
  EXPECT_FALSE(Outcome([&](auto done) { game_.SetServerAddress(std::string(109, 'a'), done); }));
  EXPECT_EQ(Stored("UseConnectiond").size(), 300U);
  EXPECT_EQ(Stored("UseConnections"), Dword(300));
  const auto writes_before = registry_.writes().size();
  EXPECT_TRUE(Raised<AddressTooLongError>(
      Outcome([&](auto done) { game_.SetServerAddress(std::string(110, 'b'), done); })));
  EXPECT_EQ(registry_.writes().size(), writes_before);
}

TEST_F(GameBridgeTest, ServerAddressStopsAtFirstFailingWrite) {
  registry_.FailWritesOf("UseProtocold");
  const auto failure = Outcome([&](auto done) { game_.SetServerAddress("1.2.3.4", done); });
  EXPECT_TRUE(Raised<RegistryWriteError>(failure));
  try {
    std::rethrow_exception(failure);
  } catch (const RegistryWriteError& e) {
    EXPECT_EQ(e.value_name(), "UseProtocold");
  }
  EXPECT_EQ(registry_.writes().size(), 2U);
  EXPECT_FALSE(registry_.Find(kBridgeRoot, kNetworkKeyPath, "UseConnectiond").has_value());
}

// Records the titles asked for; `open` lists the windows that exist, each
// with the program its process runs.
class RecordingWindows final : public WindowControl {
 public:
  std::vector<std::pair<std::string, std::string>> open;  // title, program
  std::vector<std::string> killed_titles;
  std::vector<std::string> asked;
  bool IsWindowOpen(std::string_view title, const ProgramTest& is_game) override {
    return Find(title, is_game) != open.end();
  }
  bool KillWindowProcess(std::string_view title, const ProgramTest& is_game) override {
    asked.emplace_back(title);
    const auto found = Find(title, is_game);
    if (found == open.end()) {
      return false;
    }
    killed_titles.emplace_back(title);
    open.erase(found);
    return true;
  }

 private:
  std::vector<std::pair<std::string, std::string>>::iterator Find(std::string_view title, const ProgramTest& is_game) {
    return std::find_if(open.begin(), open.end(),
                        [&](const auto& w) { return w.first == title && is_game(w.second); });
  }
};

TEST(GameBridgeWindows, EndsTheFiveTitlesInOrderOnlyWhenTheGameOwnsThem) {
  MemoryRegistry registry;
  RecordingWindows windows;
  ports::SystemClock clock;
  GameBridge game(registry, windows, clock);
  game.UseGtaDir("C:\\Games\\GTA2");
  game.CloseGameWindows();
  EXPECT_EQ(windows.asked, (std::vector<std::string>{"GTA2 en red", "Network GTA2", "Netzwerk GTA2",
                                                      "GTA2 Manager", "GTA2"}));
  EXPECT_TRUE(windows.killed_titles.empty());
  windows.open = {{"GTA2", "C:\\Windows\\explorer.exe"},
                  {"Notepad", "C:\\Games\\GTA2\\gta2.exe"},
                  {"Netzwerk GTA2", "c:\\games\\gta2\\GTA2.EXE"},
                  {"GTA2", "C:\\Games\\GTA2\\gta2.exe"}};
  EXPECT_TRUE(game.IsPlaying());
  game.CloseGameWindows();
  EXPECT_EQ(windows.killed_titles, (std::vector<std::string>{"Netzwerk GTA2", "GTA2"}));
  // Explorer showing the game's folder is left alone and is no match.
  EXPECT_EQ(windows.open.size(), 2U);
  EXPECT_FALSE(game.IsPlaying());
}

TEST(ProgramInFolder, ComparesTheProgramsFolderIgnoringCaseAndSeparators) {
  struct Case {
    const char* program;
    const char* folder;
    bool expected;
  };
  const Case cases[] = {
      {"C:\\Games\\GTA2\\gta2.exe", "C:\\Games\\GTA2", true},
      {"C:\\GAMES\\gta2\\GTA2 Manager.exe", "c:\\games\\GTA2\\", true},
      {"/home/u/.wine/drive_c/GTA2/gta2.exe", "/home/u/.wine/drive_c/GTA2", true},
      {"C:\\gta2.exe", "C:\\", true},
      {"C:\\Games\\GTA2\\bin\\gta2.exe", "C:\\Games\\GTA2", false},
      {"C:\\Games\\GTA2.exe", "C:\\Games\\GTA2", false},
      {"C:\\Windows\\explorer.exe", "C:\\Games\\GTA2", false},
      {"C:\\Games\\GTA2\\gta2.exe", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramInFolder(c.program, c.folder), c.expected) << c.program << " in " << c.folder;
  }
}

}  // namespace
}  // namespace lobbyfind::game
