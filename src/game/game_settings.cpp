#include "game/game_settings.h"

#include "game/connection_address.h"
#include "game/registry_procedures.h"
#include "game/window_control.h"

namespace lobbyfind::game {
namespace {

constexpr std::string_view kPolice = "police";
constexpr std::string_view kShowPlayerNames = "show_player_names";
constexpr std::string_view kFragLimit = "f_limit";
constexpr std::string_view kScoreLimit = "s_limit";
constexpr std::string_view kGameTimeLimit = "game_time_limit";
constexpr std::string_view kGameSpeed = "game_speed";
constexpr std::string_view kGameType = "game_type";
constexpr std::string_view kPlayerName = "PlayerName";
constexpr std::string_view kAddressData = "TCPIPAddrStringd";
constexpr std::string_view kAddressSize = "TCPIPAddrStrings";
constexpr std::string_view kProtocolData = "UseProtocold";
constexpr std::string_view kProtocolSize = "UseProtocols";
constexpr std::string_view kConnectionData = "UseConnectiond";
constexpr std::string_view kConnectionSize = "UseConnections";

constexpr int kDefaultGameSpeed = 1;

std::string gta_dir;

// The stored integer, or `fallback` when the value is absent.
std::int32_t ReadInteger(std::string_view name, std::int32_t fallback) {
  std::int32_t value = fallback;
  return MachineReadInteger(kNetworkKeyPath, name, value) ? value : fallback;
}

bool ReadFlag(std::string_view name) { return ReadInteger(name, 0) == 1; }

void WriteFlag(std::string_view name, bool on) { MachineWriteInteger(kNetworkKeyPath, name, on ? 1 : 0); }

void WriteLimit(std::string_view name, std::int64_t limit) {
  MachineWriteInteger(kNetworkKeyPath, name, static_cast<std::uint16_t>(limit));
}

void WriteData(std::string_view data_name, std::string_view size_name,
               const std::vector<std::uint8_t>& data) {
  MachineWriteBinary(kNetworkKeyPath, data_name, data.data(), data.size());
  MachineWriteInteger(kNetworkKeyPath, size_name, static_cast<std::int32_t>(data.size()));
}

}  // namespace

bool GetPolice() { return ReadFlag(kPolice); }
void SetPolice(bool enabled) { WriteFlag(kPolice, enabled); }
bool GetShowPlayerNames() { return ReadFlag(kShowPlayerNames); }
void SetShowPlayerNames(bool show) { WriteFlag(kShowPlayerNames, show); }

std::int32_t GetFragLimit() { return ReadInteger(kFragLimit, 0); }
void SetFragLimit(std::int64_t limit) { WriteLimit(kFragLimit, limit); }
std::int32_t GetScoreLimit() { return ReadInteger(kScoreLimit, 0); }
void SetScoreLimit(std::int64_t limit) { WriteLimit(kScoreLimit, limit); }
std::int32_t GetGameTimeLimit() { return ReadInteger(kGameTimeLimit, 0); }
void SetGameTimeLimit(std::int64_t limit) { WriteLimit(kGameTimeLimit, limit); }

int GetGameSpeed() {
  const auto stored = ReadInteger(kGameSpeed, kDefaultGameSpeed);
  return stored >= 0 && stored <= 2 ? stored : kDefaultGameSpeed;
}
void SetGameSpeed(int speed) { MachineWriteInteger(kNetworkKeyPath, kGameSpeed, speed); }

// The game counts its modes from 1, the mode list from 0.
int GetGameType() {
  const auto stored = ReadInteger(kGameType, 0);
  return stored >= 1 && stored <= 3 ? stored - 1 : 0;
}
void SetGameType(int type) { MachineWriteInteger(kNetworkKeyPath, kGameType, type + 1); }

std::string GetPlayerName() {
  std::string name;
  return MachineReadString(kNetworkKeyPath, kPlayerName, name) ? name : std::string();
}
void SetPlayerName(std::string_view name) { MachineWriteString(kNetworkKeyPath, kPlayerName, name); }

AddressTooLongError::AddressTooLongError(std::string_view address)
    : std::invalid_argument("The server address \"" + std::string(address) + "\" is longer than " +
                            std::to_string(kMaxServerAddressLength) +
                            " characters; the game cannot use it.") {}

void SetServerAddress(std::string_view address) {
  if (address.size() > kMaxServerAddressLength) {
    throw AddressTooLongError(address);
  }
  WriteData(kAddressData, kAddressSize, WideAddress(address));
  WriteData(kProtocolData, kProtocolSize, {kDpspGuidTcpip.begin(), kDpspGuidTcpip.end()});
  WriteData(kConnectionData, kConnectionSize, ConnectionBlock(address));
}

void CloseGameWindows() {
  for (const auto title : kGameWindowTitles) {
    KillWindowProcess(title);  // a title without a window is the usual case
  }
}

const std::string& GtaDir() { return gta_dir; }
void SetGtaDir(std::string_view directory) { gta_dir = directory; }

}  // namespace lobbyfind::game
