// The announcement of a game hosted on this machine. Every answer from the
// own machine announces it again and restarts a countdown of timer ticks; when
// the answers stop, the countdown runs out and the announcement is withdrawn.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lobbyfind::presence {

class OwnListing {
 public:
  // Ticks without a local answer after which the listing is withdrawn.
  static constexpr std::uint32_t kTicksToWithdraw = 5;

  // An answer from the own machine: the hosted game's network layer runs.
  // Announces it with the nickname, the port from the answer's bytes 6 and 7
  // and the current map name.
  void LocalAnswer(std::string_view answer);

  // One tick of the periodic timer: counts down and withdraws the listing
  // when no local answer came for five ticks.
  void Tick();

  [[nodiscard]] bool ListingActive() const { return active_; }
  [[nodiscard]] std::uint32_t ListingCountdown() const { return countdown_; }

  // Providers the owner fills: the chat nickname (the announced server name)
  // and the map selected in the game ("" or "|error|" as the catalogue says).
  std::function<std::string()> Nickname;
  std::function<std::string()> CurrentMapName;
  // Requests to the directory service. The owner adds the program version.
  std::function<void(const std::string& server_name, std::uint16_t port, const std::string& map)> AddServer;
  std::function<void()> DeleteServer;

 private:
  bool active_ = false;
  std::uint32_t countdown_ = 0;
};

}  // namespace lobbyfind::presence
