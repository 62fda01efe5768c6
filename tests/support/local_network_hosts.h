#pragma once
// The stand-in game hosts of the local network the end-to-end tests run
// against: four addresses, each answering pings after its own delay, as the
// demo's network has them.

namespace lobbyfind {

struct LocalNetworkHost {
  const char* address;
  int game_port;
  int delay_ms;
  const char* name;
  const char* map;
};

inline constexpr LocalNetworkHost kLocalNetworkHosts[] = {
    {"127.0.0.2", 2301, 10, "Downtown", "Downtown"},
    {"127.0.0.3", 2302, 40, "Residential", "Residential"},
    {"127.0.0.4", 2303, 90, "Industrial", "Industrial"},
    {"127.0.0.5", 2304, 160, "Slow", "Downtown"},
};

}  // namespace lobbyfind
