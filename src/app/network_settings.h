// Settings of "lobbyfind.ini" that say where the lobby's outside parts are:
// the directory service's host, on Linux the program that runs the game, and
// whether the home router is asked to forward the game's ports.
#pragma once

#include <string>

#include "config/config_file.h"

namespace lobbyfind::app {

// The "directory-host" value, or the default when it is missing or empty.
[[nodiscard]] std::string DirectoryHost(const config::cConfigFile& config);

// The "launcher" value; the default ("wine") when it is missing. A stored
// empty value stays empty: the game's executable then runs by itself.
[[nodiscard]] std::string Launcher(const config::cConfigFile& config);

// The "upnp" value: port mapping is on unless the value is "0".
[[nodiscard]] bool PortMappingWanted(const config::cConfigFile& config);

}  // namespace lobbyfind::app
