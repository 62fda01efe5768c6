#include "reachability_prober.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "presence/session_enumeration.h"

namespace lobbyfind::directory_service {
namespace {

std::int64_t WallMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// How often unanswered requests are looked at.
constexpr int kExpireIntervalMs = 250;

}  // namespace

ReachabilityProber::ReachabilityProber(ReachabilityLimits limits, std::uint16_t answer_port,
                                       std::function<void()> changed, Log log)
    : answer_port_(answer_port),
      request_(presence::SessionRequest(answer_port)),
      changed_(std::move(changed)),
      log_(std::move(log)),
      ledger_(limits),
      connect_wait_ms_(static_cast<int>(limits.answer_wait_ms)),
      port_checks_(limits.ttl_ms, limits.max_entries) {}

ReachabilityProber::~ReachabilityProber() {
  if (thread_.joinable()) {
    const char stop = 1;
    (void)!write(wake_[1], &stop, 1);
    thread_.join();
  }
  for (int fd : {udp_, listener_, wake_[0], wake_[1]}) {
    if (fd >= 0) close(fd);
  }
}

bool ReachabilityProber::Start() {
  udp_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(answer_port_);
  if (udp_ < 0 || listener_ < 0 || pipe2(wake_, O_CLOEXEC) != 0 ||
      bind(listener_, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 || listen(listener_, 64) != 0) {
    log_("reachability check: cannot listen on TCP port " + std::to_string(answer_port_) + ": " +
         std::strerror(errno));
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  log_("reachability check: answers on TCP port " + std::to_string(answer_port_));
  return true;
}

void ReachabilityProber::Announced(const std::string& ip, int port, std::int64_t now_ms) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(presence::kEnumerationPort);
  // The game speaks IPv4 only; an address announced over IPv6 is not asked.
  if (inet_pton(AF_INET, ip.c_str(), &to.sin_addr) != 1) return;
  std::lock_guard lock(mutex_);
  if (!ledger_.Announced(ip, port, now_ms)) return;
  sendto(udp_, request_.data(), request_.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

Reachability ReachabilityProber::Result(const std::string& ip, int port) {
  std::lock_guard lock(mutex_);
  return ledger_.Result(ip, port);
}

Reachability ReachabilityProber::CheckPort(const std::string& ip, std::int64_t now_ms) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(presence::kAnswerPort);
  if (inet_pton(AF_INET, ip.c_str(), &to.sin_addr) != 1) return Reachability::kUnknown;
  {
    std::lock_guard lock(mutex_);
    if (const auto known = port_checks_.Begin(ip, now_ms)) return *known;
  }
  bool reachable = false;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd >= 0) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
      reachable = true;
    } else if (errno == EINPROGRESS) {
      pollfd wait{fd, POLLOUT, 0};
      int error = 0;
      socklen_t size = sizeof error;
      reachable = poll(&wait, 1, connect_wait_ms_) == 1 &&
                  getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    close(fd);
  }
  std::lock_guard lock(mutex_);
  port_checks_.Done(ip, reachable);
  return reachable ? Reachability::kReachable : Reachability::kUnreachable;
}

void ReachabilityProber::TakeAnswer() {
  sockaddr_in from{};
  socklen_t size = sizeof from;
  const int fd = accept4(listener_, reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
  if (fd < 0) return;
  // The connection itself is the answer: only the game at the asked address
  // connects back to this port, and nothing it might send is read.
  close(fd);
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    if (ledger_.Awaits(text)) changed = ledger_.Answered(text);
  }
  if (changed) changed_();
}

void ReachabilityProber::Run() {
  while (true) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    poll(fds, 2, kExpireIntervalMs);
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & POLLIN) != 0) TakeAnswer();
    bool changed = false;
    {
      std::lock_guard lock(mutex_);
      changed = ledger_.Expire(WallMs());
    }
    if (changed) changed_();
  }
}

}  // namespace lobbyfind::directory_service
