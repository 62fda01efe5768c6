#include "app/network_settings.h"

#include "app/config_keys.h"

namespace lobbyfind::app {

std::string DirectoryHost(const config::cConfigFile& config) {
  std::string host;
  if (!config.ReadString(kKeyDirectoryHost, host) || host.empty()) {
    return std::string(kDefaultDirectoryHost);
  }
  return host;
}

std::string Launcher(const config::cConfigFile& config) {
  std::string launcher;
  if (!config.ReadString(kKeyLauncher, launcher)) {
    return std::string(kDefaultLauncher);
  }
  return launcher;
}

bool PortMappingWanted(const config::cConfigFile& config) {
  std::string value;
  return !config.ReadString(kKeyUpnp, value) || value != "0";
}

}  // namespace lobbyfind::app
