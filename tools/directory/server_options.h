// The command line of lobbyfind-directory, parsed without touching the
// system so that every option and its errors can be checked in tests.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "directory_service.h"

namespace lobbyfind::directory_service {

// Where a shared Redis store is: "redis://HOST:PORT[/DB]".
struct RedisAddress {
  std::string host;
  int port = 6379;
  int db = 0;

  friend bool operator==(const RedisAddress&, const RedisAddress&) = default;
};

struct ServerOptions {
  std::string listen_host = "127.0.0.1";
  int listen_port = 8080;  // 0: any free port (the chosen one is logged)
  std::string db_path = "lobbyfind-directory.db";
  std::optional<RedisAddress> redis;  // set: entries live in Redis, not in db_path
  std::optional<std::string> config_path;
  std::vector<std::string> trusted_proxies;
  ServiceLimits limits;
  // The TCP port games answer the reachability check on; 0: no check. Off
  // unless asked for: the port must be open to the internet, and the
  // service then sends datagrams of its own.
  int check_port = 0;
  int timeout_s = 5;  // reading a request, writing a reply, idle keep-alive
  int threads = 128;  // each open connection occupies one worker
  bool help = false;
};

class OptionsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// args excludes the program name. Throws OptionsError.
[[nodiscard]] ServerOptions ParseServerOptions(const std::vector<std::string>& args);

[[nodiscard]] std::string UsageText();

}  // namespace lobbyfind::directory_service
