#include "presence/own_listing.h"

#include "presence/session_enumeration.h"

namespace lobbyfind::presence {

void OwnListing::LocalAnswer(std::string_view answer) {
  active_ = true;
  countdown_ = kTicksToWithdraw;
  const std::string map = CurrentMapName ? CurrentMapName() : std::string();
  const std::string name = Nickname ? Nickname() : std::string();
  if (AddServer) AddServer(name, AnswerGamePort(answer), map);
}

void OwnListing::Tick() {
  if (countdown_ > 0) --countdown_;
  if (active_ && countdown_ == 0) {
    active_ = false;
    if (DeleteServer) DeleteServer();
  }
}

}  // namespace lobbyfind::presence
