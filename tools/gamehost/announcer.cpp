#include "announcer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "directory/http_request.h"
#include "directory/webinterface.h"

namespace lobbyfind::gamehost {
namespace {

constexpr int kSocketTimeoutMs = 2000;
// The directory's replies to ADDSERVER and DELSERVER are tiny.
constexpr std::size_t kMaxReply = 4096;

void SetTimeouts(int fd) {
  timeval timeout{kSocketTimeoutMs / 1000, (kSocketTimeoutMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

}  // namespace

Announcer::Announcer(AnnounceOptions options, std::string address, std::uint16_t game_port)
    : options_(std::move(options)), address_(std::move(address)), game_port_(game_port) {}

void Announcer::Tick(std::int64_t now_ms) {
  if (options_.directory.empty() || now_ms < next_ms_) return;
  next_ms_ = now_ms + options_.interval_ms;
  Send(directory::AddServerQuery(options_.name, game_port_, options_.version, options_.map));
  announced_ = true;
}

void Announcer::Withdraw() {
  if (!announced_) return;
  announced_ = false;
  Send(directory::DeleteServerQuery());
}

void Announcer::Send(const std::string& query) {
  const std::string url = directory::RequestUrl(options_.directory, query);
  const auto target = directory::ParseHttpUrl(url);
  if (!target) {
    std::fprintf(stderr, "lobbyfind-gamehost: not a directory address: %s\n", options_.directory.c_str());
    return;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(target->host.c_str(), std::to_string(target->port).c_str(), &hints, &found) != 0 || !found) {
    std::fprintf(stderr, "lobbyfind-gamehost: cannot resolve %s\n", target->host.c_str());
    return;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, address_.c_str(), &local.sin_addr);
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const bool connected = fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                         (SetTimeouts(fd), connect(fd, found->ai_addr, found->ai_addrlen) == 0);
  freeaddrinfo(found);
  if (!connected) {
    std::fprintf(stderr, "lobbyfind-gamehost: cannot reach the directory %s: %s\n", options_.directory.c_str(),
                 std::strerror(errno));
    if (fd >= 0) close(fd);
    return;
  }
  const std::string request = directory::BuildGetRequest(*target);
  directory::HttpReplyReader reply(kMaxReply);
  if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    char buffer[1024];
    ssize_t n = 0;
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0 && reply.Feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
    }
  }
  close(fd);
  std::printf("%s -> %d\n", target->target.c_str(), static_cast<int>(reply.StatusCode()));
  std::fflush(stdout);
}

}  // namespace lobbyfind::gamehost
