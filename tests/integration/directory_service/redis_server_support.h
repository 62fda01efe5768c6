// A real redis-server for the shared-store tests: started on a free loopback
// port with its data in a throwaway folder, killed at the end.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>

#include "support/peer_unavailable.h"

namespace lobbyfind::directory_service::testing {

// Whether redis-server can be run here.
[[nodiscard]] bool RedisInstalled();

// Outside CI a machine without Redis skips these tests; in CI that is a
// failure, so that a missing package cannot pass unnoticed.
#define LOBBYFIND_REQUIRE_REDIS()                                                           \
  do {                                                                                      \
    if (!::lobbyfind::directory_service::testing::RedisInstalled()) {                       \
      PEER_UNAVAILABLE() << "redis-server is not installed (scripts/packages/service.txt)"; \
    }                                                                                       \
  } while (false)

class RedisServer {
 public:
  // `persistent`: an append-only file written on every change, so that a
  // killed and restarted server has lost nothing.
  RedisServer(std::string dir, bool persistent);
  ~RedisServer();
  RedisServer(const RedisServer&) = delete;
  RedisServer& operator=(const RedisServer&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  [[nodiscard]] std::string Url() const { return "redis://127.0.0.1:" + std::to_string(port_); }
  // SIGKILL: gone at once, as in a crash.
  void Kill();
  // Starts it again on the same port with the same data folder.
  void Restart();
  // Empties every database.
  void Flush() const;

 private:
  void Start();

  std::string dir_;
  bool persistent_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace lobbyfind::directory_service::testing
