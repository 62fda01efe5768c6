#include "game/game_bridge.h"

#include <filesystem>
#include <system_error>

#include "game/connection_address.h"
#include "game/map_catalogue.h"
#include "game/registry_errors.h"
#include "game/registry_procedures.h"

namespace lobbyfind::game {
namespace {

constexpr auto kMachine = RegistryRoot::kLocalMachine;

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

RegistryWrite NetworkValue(std::string_view name, RegistryValue value) {
  return {std::string(kNetworkKeyPath), std::string(name), std::move(value)};
}

// A data value and its sibling holding the byte count.
void AddData(std::vector<RegistryWrite>& writes, std::string_view data_name, std::string_view size_name,
             const std::vector<std::uint8_t>& data) {
  writes.push_back(NetworkValue(data_name, BinaryValue(data.data(), data.size())));
  writes.push_back(NetworkValue(size_name, IntegerValue(static_cast<std::int32_t>(data.size()))));
}

}  // namespace

GameBridge::GameBridge(RegistryBackend& registry, WindowControl& windows, const ports::Clock& clock)
    : registry_(registry), windows_(windows), clock_(clock) {}

bool GameBridge::MachineReadString(std::string_view path, std::string_view name, std::string& text) {
  return RegReadString(registry_, kMachine, path, name, text);
}

bool GameBridge::MachineReadInteger(std::string_view path, std::string_view name, std::int32_t& value) {
  return RegReadInteger(registry_, kMachine, path, name, value);
}

std::int32_t GameBridge::ReadInteger(std::string_view name, std::int32_t fallback) {
  std::int32_t value = fallback;
  return MachineReadInteger(kNetworkKeyPath, name, value) ? value : fallback;
}

void GameBridge::Write(std::vector<RegistryWrite> writes, Done done) {
  registry_.WriteBatch(kMachine, std::move(writes), [done = std::move(done)](std::optional<std::string> failed) {
    if (!done) return;
    done(failed ? std::make_exception_ptr(RegistryWriteError(*failed)) : nullptr);
  });
}

void GameBridge::WriteInteger(std::string_view name, std::int32_t value, Done done) {
  Write({NetworkValue(name, IntegerValue(value))}, std::move(done));
}

bool GameBridge::GetPolice() { return ReadInteger(kPolice, 0) == 1; }
void GameBridge::SetPolice(bool enabled, Done done) { WriteInteger(kPolice, enabled ? 1 : 0, std::move(done)); }
bool GameBridge::GetShowPlayerNames() { return ReadInteger(kShowPlayerNames, 0) == 1; }
void GameBridge::SetShowPlayerNames(bool show, Done done) {
  WriteInteger(kShowPlayerNames, show ? 1 : 0, std::move(done));
}

std::int32_t GameBridge::GetFragLimit() { return ReadInteger(kFragLimit, 0); }
void GameBridge::SetFragLimit(std::int64_t limit, Done done) {
  WriteInteger(kFragLimit, static_cast<std::uint16_t>(limit), std::move(done));
}
std::int32_t GameBridge::GetScoreLimit() { return ReadInteger(kScoreLimit, 0); }
void GameBridge::SetScoreLimit(std::int64_t limit, Done done) {
  WriteInteger(kScoreLimit, static_cast<std::uint16_t>(limit), std::move(done));
}
std::int32_t GameBridge::GetGameTimeLimit() { return ReadInteger(kGameTimeLimit, 0); }
void GameBridge::SetGameTimeLimit(std::int64_t limit, Done done) {
  WriteInteger(kGameTimeLimit, static_cast<std::uint16_t>(limit), std::move(done));
}

int GameBridge::GetGameSpeed() {
  const auto stored = ReadInteger(kGameSpeed, kDefaultGameSpeed);
  return stored >= 0 && stored <= 2 ? stored : kDefaultGameSpeed;
}
void GameBridge::SetGameSpeed(int speed, Done done) { WriteInteger(kGameSpeed, speed, std::move(done)); }

// The game counts its modes from 1, the mode list from 0.
int GameBridge::GetGameType() {
  const auto stored = ReadInteger(kGameType, 0);
  return stored >= 1 && stored <= 3 ? stored - 1 : 0;
}
void GameBridge::SetGameType(int type, Done done) { WriteInteger(kGameType, type + 1, std::move(done)); }

std::string GameBridge::GetPlayerName() {
  std::string name;
  return MachineReadString(kNetworkKeyPath, kPlayerName, name) ? name : std::string();
}
void GameBridge::SetPlayerName(std::string_view name, Done done) {
  Write({NetworkValue(kPlayerName, StringValue(name))}, std::move(done));
}

void GameBridge::SetServerAddress(std::string_view address, Done done) {
  if (address.size() > kMaxServerAddressLength) {
    if (done) done(std::make_exception_ptr(AddressTooLongError(address)));
    return;
  }
  std::vector<RegistryWrite> writes;
  AddData(writes, kAddressData, kAddressSize, WideAddress(address));
  AddData(writes, kProtocolData, kProtocolSize, {kDpspGuidTcpip.begin(), kDpspGuidTcpip.end()});
  AddData(writes, kConnectionData, kConnectionSize, ConnectionBlock(address));
  Write(std::move(writes), std::move(done));
}

void GameBridge::RefreshSettings(std::function<void()> then) {
  registry_.Refresh(kMachine, kNetworkKeyPath, std::move(then));
}

std::string GameBridge::CurrentMapName() {
  std::int32_t stored = 0;
  bool found = false;
  try {
    found = MachineReadInteger(kNetworkKeyPath, kMapIndexValue, stored);
  } catch (const RegistryError&) {
    // Only the game writes this value, and always as a number. Should it
    // ever be unreadable, the hosted game is still announced, without a map:
    // raising here would put a message box in front of the user on every
    // tick while hosting and withdraw nothing the user could mend.
    found = false;
  }
  std::optional<std::uint32_t> index;
  if (found) index = static_cast<std::uint32_t>(stored);
  return GetCurrentMapName(index, gta_dir_, hidden_);
}

bool GameBridge::IsGameProgram(std::string_view program) const {
  if (ProgramInFolder(program, gta_dir_)) return true;
  // The platform names programs by their real path; the folder as chosen may
  // lead there through a link.
  std::error_code error;
  const auto resolved = std::filesystem::weakly_canonical(std::filesystem::path(gta_dir_), error);
  return !error && ProgramInFolder(program, resolved.string());
}

void GameBridge::CloseGameWindows() {
  const ProgramTest is_game = [this](std::string_view program) { return IsGameProgram(program); };
  for (const auto title : kGameWindowTitles) {
    windows_.KillWindowProcess(title, is_game);  // a title without a window is the usual case
  }
}

bool GameBridge::IsPlaying() {
  return windows_.IsWindowOpen(kPlayingWindowTitle,
                               [this](std::string_view program) { return IsGameProgram(program); });
}

}  // namespace lobbyfind::game
