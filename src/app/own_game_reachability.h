// What the chat log tells about reaching this computer from the internet:
// that the game hosted here is unreachable (once per hosting, on the first
// server list that lists it, by its nickname, as unreachable), and the
// answer to "Check my ports".
#pragma once

#include <string>
#include <string_view>

#include "directory/webinterface.h"

namespace lobbyfind::app {

class OwnGameReachability {
 public:
  // A server list arrived. `hosting`: a game hosted here is announced under
  // `own_name`. True when the line is due now; a hosting that ended makes
  // the next one tell again.
  [[nodiscard]] bool Observe(const directory::tServerLists& lists, bool hosting, std::string_view own_name);

 private:
  bool told_ = false;
};

// The chat log line: what to forward, or that UPnP could not do it.
[[nodiscard]] std::string UnreachableOwnGameLine(bool port_mapping_on);

// "Check my ports": the one line with the directory's answer.
[[nodiscard]] std::string PortCheckLine(directory::cWebinterface::PortCheck result, const std::string& ip);

}  // namespace lobbyfind::app
