#include "redis_server_support.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "redis_connection.h"

extern char** environ;

namespace lobbyfind::directory_service::testing {

namespace {

// A port the kernel just handed out and took back; nobody else is likely to
// take it in the moment before redis-server binds it.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(fd);
    throw std::runtime_error("no free port");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

}  // namespace

bool RedisInstalled() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/usr/sbin"}) {
    if (::access((std::string(dir) + "/redis-server").c_str(), X_OK) == 0) return true;
  }
  return false;
}

RedisServer::RedisServer(std::string dir, bool persistent) : dir_(std::move(dir)), persistent_(persistent) {
  port_ = FreePort();
  Start();
}

RedisServer::~RedisServer() { Kill(); }

void RedisServer::Start() {
  std::vector<std::string> args = {"redis-server", "--port", std::to_string(port_), "--bind", "127.0.0.1",
                                   "--dir", dir_, "--save", "", "--daemonize", "no",
                                   "--logfile", dir_ + "/redis.log"};
  if (persistent_) {
    args.insert(args.end(), {"--appendonly", "yes", "--appendfsync", "always"});
  } else {
    args.insert(args.end(), {"--appendonly", "no"});
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawnp(&pid_, "redis-server", nullptr, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("cannot start redis-server");
  }
  RedisConnection probe({"127.0.0.1", port_, 0});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (true) {
    try {
      // A server still loading its data answers PING with an error.
      probe.Command({"PING"});
      return;
    } catch (const StoreError&) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        throw std::runtime_error("redis-server exited at start; see " + dir_ + "/redis.log");
      }
      if (std::chrono::steady_clock::now() > deadline) {
        throw std::runtime_error("redis-server did not answer");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

void RedisServer::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void RedisServer::Restart() {
  Kill();
  Start();
}

void RedisServer::Flush() const {
  RedisConnection connection({"127.0.0.1", port_, 0});
  connection.Command({"FLUSHALL"});
}

}  // namespace lobbyfind::directory_service::testing
