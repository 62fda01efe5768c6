// lobbyfind-portmap: the lobby's port mapping on its own, for a machine that
// hosts games without the lobby running, and for trying a router: maps the
// game's ports, renews the lease, and removes its mappings on SIGINT or
// SIGTERM. Every step is one line on standard output.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "portmap/mapping_plan.h"
#include "portmap/upnp/upnp_router.h"

using namespace lobbyfind::portmap;

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  int wait_ms = 2000;
  std::uint32_t lease_s = kLeaseSeconds;
  long last_port = kLastGamePort;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help") {
      Say("Usage: lobbyfind-portmap [--wait-ms N] [--lease SECONDS] [--last-port N]\n"
          "Asks the home router (UPnP) to forward the game's ports to this computer\n"
          "until SIGINT or SIGTERM, then removes the mappings it made: TCP and UDP\n"
          "47624 and 2300 up to --last-port (default 2400).");
      return 0;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "lobbyfind-portmap: %s needs a value\n", option.c_str());
      return 2;
    }
    const long value = std::strtol(argv[++i], nullptr, 10);
    if (option == "--wait-ms" && value > 0) {
      wait_ms = static_cast<int>(value);
    } else if (option == "--last-port" && value >= kFirstGamePort && value <= kLastGamePort) {
      last_port = value;
    } else if (option == "--lease" && value >= 0) {
      lease_s = static_cast<std::uint32_t>(value);
    } else {
      std::fprintf(stderr, "lobbyfind-portmap: bad option %s\n", option.c_str());
      return 2;
    }
  }

  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop_signals, nullptr);

  MappingPlan plan(GamePorts(static_cast<std::uint16_t>(last_port)), lease_s);
  std::string error;
  auto router = UpnpRouter::Discover(wait_ms, error);
  if (!router) {
    Say(HandForwardingLine(error, plan.Missing()));
  } else {
    Say("router found: this computer is " + router->LocalAddress() + ", the internet sees " +
        router->ExternalAddress());
    plan.BeginRound(NowMs(), false);
    MapRound(plan, *router);
    Say("mapped " + std::to_string(plan.Owned().size()) + " ports: " + DescribePorts(plan.Owned()));
    if (!plan.Missing().empty())
      Say(HandForwardingLine(plan.Owned().empty() ? "the router refused" : "the router refused some ports",
                             plan.Missing()));
  }

  while (true) {
    const timespec tick{1, 0};
    if (sigtimedwait(&stop_signals, nullptr, &tick) > 0) break;
    if (router && plan.RenewalDue(NowMs())) {
      plan.BeginRound(NowMs(), true);
      MapRound(plan, *router);
      Say("renewed " + std::to_string(plan.Owned().size()) + " ports");
    }
  }
  if (router) Say("removed " + std::to_string(RemoveOwned(plan, *router)) + " mappings");
  return 0;
}
