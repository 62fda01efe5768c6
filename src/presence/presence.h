// Presence and ping put together: the game list, the own-machine listing and
// the answer server, with the answers routed between them. The main window
// owns one of these and drives it from its periodic timer.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ports/clock.h"
#include "ports/tcp_listener.h"
#include "ports/timer.h"
#include "ports/udp_sender.h"
#include "presence/answer_server.h"
#include "presence/game_list.h"
#include "presence/own_listing.h"

namespace lobbyfind::presence {

class Presence {
 public:
  // `sweep` closes idle answer connections; `slices` paces the requests of a
  // long server list (without it a list is pinged in one go).
  Presence(std::unique_ptr<ports::UdpSender> sender, std::unique_ptr<ports::TcpListener> listener,
           std::unique_ptr<ports::Timer> sweep, const ports::Clock& clock, std::uint16_t answer_port = kAnswerPort,
           std::unique_ptr<ports::Timer> slices = nullptr);

  // `AntwortserverClientRead`: one arrival on an accepted connection. An
  // answer from the own machine is the hosted game and touches no line of
  // the list, even when a listed server carries that address.
  void AntwortserverClientRead(const std::string& peer, std::string_view bytes);

  // Pings the own machine, whose answer announces a game hosted here.
  bool PingOwnMachine();

  GameList& game_list() { return game_list_; }
  OwnListing& own_listing() { return own_listing_; }
  AnswerServer& Antwortserver() { return answer_server_; }

 private:
  // Freed in the reverse order: the list and the listing, then the UDP
  // socket, then the answer server, as the window's close frees them.
  AnswerServer answer_server_;
  std::unique_ptr<ports::UdpSender> sender_;
  GameList game_list_;
  OwnListing own_listing_;
};

}  // namespace lobbyfind::presence
