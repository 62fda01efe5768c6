#include "app/own_game_reachability.h"

#include "app/control_texts.h"

namespace lobbyfind::app {

bool OwnGameReachability::Observe(const directory::tServerLists& lists, bool hosting, std::string_view own_name) {
  if (!hosting) {
    told_ = false;
    return false;
  }
  if (told_ || own_name.empty()) return false;
  for (std::size_t i = 0; i < lists.ServerNames.size() && i < lists.Unreachable.size(); ++i) {
    if (lists.Unreachable[i] && lists.ServerNames[i] == own_name) {
      told_ = true;
      return true;
    }
  }
  return false;
}

namespace {
constexpr std::string_view kPorts = "TCP and UDP 2300-2400 and 47624";
}  // namespace

std::string PortCheckLine(directory::cWebinterface::PortCheck result, const std::string& ip) {
  using PortCheck = directory::cWebinterface::PortCheck;
  const std::string where = "TCP port 2300 of this computer (" + ip + ")";
  switch (result) {
    case PortCheck::kReachable: return "Port check: the directory reached " + where + ". Pings and games can reach you.";
    case PortCheck::kUnreachable:
      return "Port check: the directory could not reach " + where + ": games show \"[???ms]\" and nobody can join " +
             "yours. Forward " + std::string(kPorts) + " to this computer.";
    case PortCheck::kUnknown: break;
  }
  return "Port check: the directory has no answer yet; try again in a minute.";
}

std::string UnreachableOwnGameLine(bool port_mapping_on) {
  std::string line = "Your game cannot be reached from the internet: ";
  if (port_mapping_on) {
    line += "UPnP did not open the ports on your router; forward ";
  } else {
    line.append("turn on \"").append(kUpnpCaption).append("\" in the Options, or forward ");
  }
  line.append(kPorts).append(" to this computer by hand.");
  return line;
}

}  // namespace lobbyfind::app
