// lobbyfind-gamehost: command line and signals around the stand-in game host.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <unistd.h>

#include "game_host.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

constexpr const char* kUsage =
    "usage: lobbyfind-gamehost [options]\n"
    "Answers session-enumeration requests on UDP port 47624 like a hosted GTA2 game.\n"
    "  --address A      IPv4 address to listen on and answer from (default 127.0.0.1)\n"
    "  --game-port N    game port announced in the reply (default 2300)\n"
    "  --answer-port N  TCP port of the asker the reply goes to (default 2300)\n"
    "  --delay-ms N     answer this long after the request reached the host (default 0)\n"
    "  --pieces N       send the reply in N writes (default 1)\n"
    "  --session NAME   session name in the reply\n"
    "  --announce HOST[:PORT]  announce the game to this directory service every few\n"
    "                   seconds, from --address, and withdraw it on exit\n"
    "  --name NAME      server name announced (default lobbyfind-gamehost)\n"
    "  --map MAP        map announced (default empty)\n"
    "  --exit-after S   stop by itself after S seconds (default: run until a signal)\n"
    "  --help           this text\n";

bool ParseNumber(const char* text, long low, long high, long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && out >= low && out <= high;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "lobbyfind-gamehost: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  lobbyfind::gamehost::Options options;
  unsigned exit_after = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) return Fail("missing value or unknown option: " + std::string(option));
    const char* value = argv[++i];
    long number = 0;
    if (option == "--address") {
      options.address = value;
    } else if (option == "--session") {
      options.session = value;
    } else if (option == "--announce") {
      options.announce.directory = value;
    } else if (option == "--name") {
      options.announce.name = value;
    } else if (option == "--map") {
      options.announce.map = value;
    } else if (option == "--exit-after") {
      if (!ParseNumber(value, 1, 86400, number)) return Fail("bad time: " + std::string(value));
      exit_after = static_cast<unsigned>(number);
    } else if (option == "--game-port" || option == "--answer-port") {
      if (!ParseNumber(value, 1, 65535, number)) return Fail("bad port: " + std::string(value));
      (option == "--game-port" ? options.game_port : options.answer_port) = static_cast<std::uint16_t>(number);
    } else if (option == "--delay-ms") {
      if (!ParseNumber(value, 0, 3600000, number)) return Fail("bad delay: " + std::string(value));
      options.delay_ms = static_cast<int>(number);
    } else if (option == "--pieces") {
      if (!ParseNumber(value, 1, 1000, number)) return Fail("bad piece count: " + std::string(value));
      options.pieces = static_cast<int>(number);
    } else {
      return Fail("unknown option: " + std::string(option));
    }
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGALRM, &action, nullptr);
  if (exit_after > 0) alarm(exit_after);
  return lobbyfind::gamehost::RunGameHost(options, g_stop);
}
