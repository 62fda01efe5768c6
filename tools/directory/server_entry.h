// One announced game server as the directory keeps it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace lobbyfind::directory_service {

struct ServerEntry {
  std::string ip;  // the announcing requester's address, as the service saw it
  int port = 0;
  std::string servername;
  std::string map;
  std::string version;
  std::int64_t created_ms = 0;     // first announcement; orders the list
  std::int64_t lastupdate_ms = 0;  // last refresh; decides expiry

  friend bool operator==(const ServerEntry&, const ServerEntry&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const ServerEntry& e) {
  return out << "{" << e.ip << ":" << e.port << " name=\"" << e.servername << "\" map=\"" << e.map
             << "\" version=\"" << e.version << "\" created=" << e.created_ms
             << " lastupdate=" << e.lastupdate_ms << "}";
}

}  // namespace lobbyfind::directory_service
