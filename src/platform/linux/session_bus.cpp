#include "platform/linux/session_bus.h"

#ifdef __linux__

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/linux/search_path.h"

namespace lobbyfind::platform {
namespace {

// Where libdbus looks for dbus-launch: its own install path, then execvp's
// search of PATH (no PATH at all means /bin:/usr/bin).
bool DbusLaunchRunnable(const SessionBusSurroundings& s) {
  const char* path = s.variable("PATH");
  return s.runnable("/usr/bin/dbus-launch") ||
         !FindOnPath(path != nullptr ? path : "/bin:/usr/bin", "dbus-launch", s.runnable).empty();
}

// A D-Bus address value: bytes other than these few are written %hh.
std::string EscapedAddressValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= 'A' && byte <= 'Z') ||
                       std::string_view("-_/.*").find(c) != std::string_view::npos;
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
    }
  }
  return out;
}

}  // namespace

std::string SessionBusAddressWithoutLaunch(const SessionBusSurroundings& s) {
  const char* named = s.variable("DBUS_SESSION_BUS_ADDRESS");
  if ((named != nullptr && *named != '\0') || DbusLaunchRunnable(s)) return {};
  const char* runtime = s.variable("XDG_RUNTIME_DIR");
  const std::string folder = runtime != nullptr && *runtime != '\0'
                                 ? std::string(runtime)
                                 : "/run/user/" + std::to_string(s.user_id);
  return "unix:path=" + EscapedAddressValue(folder + "/bus");
}

void KeepSessionBusFromLaunchingInVain() {
  const std::string address = SessionBusAddressWithoutLaunch(
      {[](const char* name) { return static_cast<const char*>(std::getenv(name)); },
       [](const std::string& file) { return access(file.c_str(), X_OK) == 0; }, getuid()});
  if (!address.empty()) (void)setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
}

}  // namespace lobbyfind::platform

#endif
