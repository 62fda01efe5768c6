// Where the program's desktop session bus is, when the environment names
// none. libdbus then looks for the user's bus socket and, when there is
// none, forks the whole program to run `dbus-launch --autolaunch` (at
// /usr/bin/dbus-launch, then along PATH). The toolkit asks for the bus while
// the first window is built, to learn whether a screen reader listens, and
// the window waits for the fork and the child: 3 to 6 ms on two processors.
// Without a dbus-launch that wait can only end in "no bus".
#pragma once

#ifdef __linux__

#include <functional>
#include <string>

namespace lobbyfind::platform {

struct SessionBusSurroundings {
  // The process environment's value of a variable, or nullptr.
  std::function<const char*(const char*)> variable;
  // Whether a file exists at the path and may be run.
  std::function<bool(const std::string&)> runnable;
  unsigned user_id = 0;
};

// The session bus address that keeps libdbus from launching a bus that
// cannot start: the user's own bus socket, where libdbus would look first
// anyway (unix:path=$XDG_RUNTIME_DIR/bus, or /run/user/<uid>/bus). Empty when
// the environment names a bus already, or a dbus-launch could be run: then a
// launch may succeed and is left to happen.
std::string SessionBusAddressWithoutLaunch(const SessionBusSurroundings& surroundings);

// Sets DBUS_SESSION_BUS_ADDRESS to that address when there is one. The
// programs this one starts inherit it: they could not have launched a bus
// either, and find the user's bus if one appears at that socket. Call it
// before any other thread runs: it changes the process environment.
void KeepSessionBusFromLaunchingInVain();

}  // namespace lobbyfind::platform

#endif
