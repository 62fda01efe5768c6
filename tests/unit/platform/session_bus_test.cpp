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

struct BusCase {
  const char* what;
  std::map<std::string, std::string> variables;
  std::set<std::string> runnable;
  std::string address;
};

TEST(SessionBusAddress, OnlyWhereALaunchCannotSucceed) {
  const std::map<std::string, std::string> no_bus = {{"PATH", "/usr/local/bin:/usr/bin"},
                                                     {"XDG_RUNTIME_DIR", "/run/user/1000"}};
  const BusCase cases[] = {
      {"no bus, no dbus-launch", no_bus, {}, "unix:path=/run/user/1000/bus"},
      {"a bus is named", {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/tmp/bus"}, {"PATH", "/usr/bin"}}, {}, ""},
      {"an empty name counts as none",
       {{"DBUS_SESSION_BUS_ADDRESS", ""}, {"PATH", "/usr/bin"}, {"XDG_RUNTIME_DIR", "/run/user/7"}},
       {},
       "unix:path=/run/user/7/bus"},
      {"dbus-launch where libdbus was built to find it", no_bus, {"/usr/bin/dbus-launch"}, ""},
      {"dbus-launch along PATH", no_bus, {"/usr/local/bin/dbus-launch"}, ""},
      {"dbus-launch in a folder off PATH", no_bus, {"/opt/dbus/dbus-launch"}, "unix:path=/run/user/1000/bus"},
      {"an empty PATH entry is the working folder",
       {{"PATH", "/usr/bin::/bin"}, {"XDG_RUNTIME_DIR", "/r"}},
       {"./dbus-launch"},
       ""},
      {"no PATH searches /bin and /usr/bin", {{"XDG_RUNTIME_DIR", "/r"}}, {"/bin/dbus-launch"}, ""},
      {"no runtime folder: the user's", {{"PATH", "/bin"}}, {}, "unix:path=/run/user/1000/bus"},
      {"bytes outside the plain set are escaped",
       {{"PATH", "/bin"}, {"XDG_RUNTIME_DIR", "/tmp/my run,dir=%x"}},
       {},
       "unix:path=/tmp/my%20run%2cdir%3d%25x/bus"},
  };
  for (const BusCase& c : cases) {
    SessionBusSurroundings surroundings;
    surroundings.variable = [&c](const char* name) -> const char* {
      const auto found = c.variables.find(name);
      return found == c.variables.end() ? nullptr : found->second.c_str();
    };
    surroundings.runnable = [&c](const std::string& file) { return c.runnable.count(file) > 0; };
    surroundings.user_id = 1000;
    EXPECT_EQ(SessionBusAddressWithoutLaunch(surroundings), c.address) << c.what;
  }
}

}  // namespace
}  // namespace lobbyfind::platform

#endif
