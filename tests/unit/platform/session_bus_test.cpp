// When the program pins its session bus to the user's socket: only when no
// bus is named and no dbus-launch could run, as libdbus would look for one.
#ifdef __linux__

#include "platform/linux/session_bus.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace lobbyfind::platform {
namespace {

TEST(SessionBusAddress, OnlyWhereALaunchCannotSucceed) {
  using Variables = std::map<std::string, std::string>;
  const Variables no_bus = {{"PATH", "/usr/local/bin:/usr/bin"}, {"XDG_RUNTIME_DIR", "/run/user/1000"}};
  const struct {
    const char* what;
    Variables variables;
    std::set<std::string> runnable;
    std::string address;
  } cases[] = {
      {"no bus, no dbus-launch", no_bus, {"/opt/dbus/dbus-launch"}, "unix:path=/run/user/1000/bus"},
      {"a bus is named", {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/b"}, {"PATH", "/bin"}}, {}, ""},
      {"an empty name is none",
       {{"DBUS_SESSION_BUS_ADDRESS", ""}, {"XDG_RUNTIME_DIR", "/r"}},
       {},
       "unix:path=/r/bus"},
      {"dbus-launch where libdbus was built to find it", no_bus, {"/usr/bin/dbus-launch"}, ""},
      {"dbus-launch along PATH", no_bus, {"/usr/local/bin/dbus-launch"}, ""},
      {"an empty PATH entry is the working folder", {{"PATH", "/usr/bin::/bin"}}, {"./dbus-launch"}, ""},
      {"no PATH searches /bin and /usr/bin", {}, {"/bin/dbus-launch"}, ""},
      {"no runtime folder: the user's", {{"PATH", "/bin"}}, {}, "unix:path=/run/user/1000/bus"},
      {"bytes outside the plain set escaped",
       {{"XDG_RUNTIME_DIR", "/my run,=%"}},
       {},
       "unix:path=/my%20run%2c%3d%25/bus"},
  };
  for (const auto& c : cases) {
    const SessionBusSurroundings surroundings{
        [&c](const char* name) -> const char* {
          const auto found = c.variables.find(name);
          return found == c.variables.end() ? nullptr : found->second.c_str();
        },
        [&c](const std::string& file) { return c.runnable.count(file) > 0; }, 1000};
    EXPECT_EQ(SessionBusAddressWithoutLaunch(surroundings), c.address) << c.what;
  }
}

}  // namespace
}  // namespace lobbyfind::platform

#endif
