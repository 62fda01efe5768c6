#include "game/game_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "game/connection_address.h"
#include "game/memory_registry.h"
#include "game/registry_errors.h"
#include "game/registry_procedures.h"
#include "game/window_control.h"

namespace lobbyfind::game {
namespace {

constexpr auto kRoot = RegistryRoot::kLocalMachine;
using Bytes = std::vector<std::uint8_t>;

Bytes Dword(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

class GameSettingsTest : public ::testing::Test {
 protected:
  MemoryRegistry registry_;
  ScopedMachineRegistry installed_{registry_};

  void Store(const char* name, std::uint32_t value) { registry_.PutDword(kRoot, kNetworkKeyPath, name, value); }
  Bytes Stored(const char* name) {
    const auto value = registry_.Find(kRoot, kNetworkKeyPath, name);
    return value ? value->data : Bytes{};
  }
};

TEST_F(GameSettingsTest, DefaultsWithoutTheKey) {
  EXPECT_FALSE(GetPolice());
  EXPECT_FALSE(GetShowPlayerNames());
  EXPECT_EQ(GetFragLimit(), 0);
  EXPECT_EQ(GetScoreLimit(), 0);
  EXPECT_EQ(GetGameTimeLimit(), 0);
  EXPECT_EQ(GetGameSpeed(), 1);
  EXPECT_EQ(GetGameType(), 0);
  EXPECT_EQ(GetPlayerName(), "");
  EXPECT_FALSE(registry_.KeyExists(kRoot, kNetworkKeyPath));
  SetPolice(true);
  EXPECT_TRUE(registry_.KeyExists(kRoot, kNetworkKeyPath));
}

struct Translation {
  const char* value_name;
  std::uint32_t stored;
  int expected;
};

TEST_F(GameSettingsTest, GettersTranslateStoredNumbers) {
  const std::vector<std::pair<std::function<int()>, Translation>> cases = {
      {[] { return GetPolice() ? 1 : 0; }, {"police", 1, 1}},
      {[] { return GetPolice() ? 1 : 0; }, {"police", 2, 0}},
      {[] { return GetPolice() ? 1 : 0; }, {"police", 0, 0}},
      {[] { return GetShowPlayerNames() ? 1 : 0; }, {"show_player_names", 1, 1}},
      {[] { return GetShowPlayerNames() ? 1 : 0; }, {"show_player_names", 7, 0}},
      {GetGameSpeed, {"game_speed", 0, 0}},
      {GetGameSpeed, {"game_speed", 2, 2}},
      {GetGameSpeed, {"game_speed", 5, 1}},
      {GetGameSpeed, {"game_speed", 0xFFFFFFFF, 1}},
      {GetGameType, {"game_type", 0, 0}},
      {GetGameType, {"game_type", 1, 0}},
      {GetGameType, {"game_type", 2, 1}},
      {GetGameType, {"game_type", 3, 2}},
      {GetGameType, {"game_type", 4, 0}},
      {GetFragLimit, {"f_limit", 70000, 70000}},
      {GetScoreLimit, {"s_limit", 0xFFFFFFFF, -1}},
      {GetGameTimeLimit, {"game_time_limit", 60, 60}},
  };
  for (const auto& [getter, c] : cases) {
    Store(c.value_name, c.stored);
    EXPECT_EQ(getter(), c.expected) << c.value_name << " stored as " << c.stored;
  }
}

TEST_F(GameSettingsTest, SettersStoreTranslatedNumbers) {
  const std::vector<std::tuple<std::function<void()>, const char*, std::uint32_t>> cases = {
      {[] { SetPolice(true); }, "police", 1},
      {[] { SetPolice(false); }, "police", 0},
      {[] { SetShowPlayerNames(true); }, "show_player_names", 1},
      {[] { SetFragLimit(70000); }, "f_limit", 4464},
      {[] { SetFragLimit(65535); }, "f_limit", 65535},
      {[] { SetScoreLimit(65536); }, "s_limit", 0},
      {[] { SetGameTimeLimit(60); }, "game_time_limit", 60},
      {[] { SetGameSpeed(2); }, "game_speed", 2},
      {[] { SetGameType(0); }, "game_type", 1},
      {[] { SetGameType(2); }, "game_type", 3},
  };
  for (const auto& [set, name, expected] : cases) {
    set();
    EXPECT_EQ(Stored(name), Dword(expected)) << name;
    EXPECT_EQ(registry_.Find(kRoot, kNetworkKeyPath, name)->type, reg_type::kDword);
  }
  SetGameType(0);
  EXPECT_EQ(GetGameType(), 0);
}

TEST_F(GameSettingsTest, PlayerNameIsAString) {
  SetPlayerName("Jörg");
  EXPECT_EQ(registry_.Find(kRoot, kNetworkKeyPath, "PlayerName")->type, reg_type::kSz);
  EXPECT_EQ(GetPlayerName(), "Jörg");
}

TEST_F(GameSettingsTest, WrongTypeAndFailedWriteReachTheCaller) {
  registry_.PutString(kRoot, kNetworkKeyPath, "game_speed", "1");
  EXPECT_THROW((void)GetGameSpeed(), RegistryTypeError);
  registry_.FailWritesOf("f_limit");
  EXPECT_THROW(SetFragLimit(1), RegistryWriteError);
}

TEST_F(GameSettingsTest, EmptyServerAddressForHosting) {
  SetServerAddress("");
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

TEST_F(GameSettingsTest, ServerAddressByteForByteInOrder) {
  SetServerAddress("10.0.0.1");
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
  EXPECT_EQ(registry_.Find(kRoot, kNetworkKeyPath, "UseConnectiond")->type, reg_type::kBinary);
}

TEST_F(GameSettingsTest, AddressCharacterAbove127IsThatByteAndZero) {
  SetServerAddress("h\xE9");
  EXPECT_EQ(Stored("TCPIPAddrStringd"), (Bytes{'h', 0, 0xE9, 0, 0, 0}));
}

TEST_F(GameSettingsTest, AddressOf109CharactersFitsAnd110IsRefusedBeforeWriting) {
  SetServerAddress(std::string(109, 'a'));
  EXPECT_EQ(Stored("UseConnectiond").size(), 300U);
  EXPECT_EQ(Stored("UseConnections"), Dword(300));
  const auto writes_before = registry_.writes().size();
  EXPECT_THROW(SetServerAddress(std::string(110, 'b')), AddressTooLongError);
  EXPECT_EQ(registry_.writes().size(), writes_before);
}

TEST_F(GameSettingsTest, ServerAddressStopsAtFirstFailingWrite) {
  registry_.FailWritesOf("UseProtocold");
  EXPECT_THROW(SetServerAddress("1.2.3.4"), RegistryWriteError);
  EXPECT_EQ(registry_.writes().size(), 2U);
  EXPECT_FALSE(registry_.Find(kRoot, kNetworkKeyPath, "UseConnectiond").has_value());
}

TEST_F(GameSettingsTest, GtaDirIsKeptAsSet) {
  SetGtaDir("C:\\Games\\GTA2");
  EXPECT_EQ(GtaDir(), "C:\\Games\\GTA2");
}

// Records the titles asked for; `open` lists the windows that exist.
class RecordingWindows final : public WindowControl {
 public:
  std::vector<std::string> open;
  std::vector<std::string> killed_titles;
  std::vector<std::string> asked;
  bool IsWindowOpen(std::string_view title) override {
    return std::find(open.begin(), open.end(), title) != open.end();
  }
  bool KillWindowProcess(std::string_view title) override {
    asked.emplace_back(title);
    const auto found = std::find(open.begin(), open.end(), title);
    if (found == open.end()) {
      return false;
    }
    killed_titles.emplace_back(title);
    open.erase(found);
    return true;
  }
};

TEST(CloseGameWindows, AsksForTheFiveTitlesInOrderAndEndsOnlyOpenOnes) {
  RecordingWindows windows;
  SetWindowControl(&windows);
  CloseGameWindows();
  EXPECT_EQ(windows.asked, (std::vector<std::string>{"GTA2 en red", "Network GTA2", "Netzwerk GTA2",
                                                      "GTA2 Manager", "GTA2"}));
  EXPECT_TRUE(windows.killed_titles.empty());
  windows.open = {"GTA2", "Notepad", "Netzwerk GTA2"};
  CloseGameWindows();
  EXPECT_EQ(windows.killed_titles, (std::vector<std::string>{"Netzwerk GTA2", "GTA2"}));
  EXPECT_EQ(windows.open, (std::vector<std::string>{"Notepad"}));
  SetWindowControl(nullptr);
  EXPECT_FALSE(IsWindowOpen("GTA2"));
  EXPECT_FALSE(KillWindowProcess("GTA2"));
}

}  // namespace
}  // namespace lobbyfind::game
