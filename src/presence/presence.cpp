#include "presence/presence.h"

namespace lobbyfind::presence {

Presence::Presence(std::unique_ptr<ports::UdpSender> sender, std::unique_ptr<ports::TcpListener> listener,
                   std::unique_ptr<ports::Timer> sweep, const ports::Clock& clock, std::uint16_t answer_port,
                   std::unique_ptr<ports::Timer> slices)
    : answer_server_(std::move(listener), std::move(sweep), clock, answer_port),
      sender_(std::move(sender)),
      game_list_(*sender_, clock, std::move(slices)) {
  answer_server_.OnAnswer = [this](const std::string& peer, std::string_view bytes) {
    AntwortserverClientRead(peer, bytes);
  };
}

void Presence::AntwortserverClientRead(const std::string& peer, std::string_view bytes) {
  if (peer == kOwnMachine) {
    own_listing_.LocalAnswer(bytes);
  } else {
    game_list_.AnswerArrived(peer, answer_server_.ArrivalUs());
  }
}

bool Presence::PingOwnMachine() { return game_list_.PingServer(std::string(kOwnMachine)); }

}  // namespace lobbyfind::presence
