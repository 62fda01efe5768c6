// The stand-in game host: listens for session-enumeration requests on UDP
// port 47624 of one address and answers each valid one like the game does,
// by connecting from that address to the asker's answer port and sending a
// session-enumeration reply.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

#include "announcer.h"

namespace lobbyfind::gamehost {

struct Options {
  std::string address = "127.0.0.1";
  std::uint16_t game_port = 2300;
  std::uint16_t answer_port = 2300;
  int delay_ms = 0;
  int pieces = 1;
  std::string session = "lobbyfind-gamehost";
  AnnounceOptions announce;
};

// Runs until `stop` becomes non-zero, announcing itself meanwhile when a
// directory is given, and withdrawing at the end. Returns the process exit code; setup
// failures are written to stderr.
int RunGameHost(const Options& options, const volatile std::sig_atomic_t& stop);

}  // namespace lobbyfind::gamehost
