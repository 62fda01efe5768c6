#include "qt/host_lookup.h"

#include <netdb.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace lobbyfind::qt {
namespace {

struct Answer {
  std::vector<SocketAddress> found;
  std::string reason;
};

Answer Resolve(const std::string& host, std::uint16_t port, int family, int socket_type, int flags) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = socket_type;
  hints.ai_flags = flags | AI_NUMERICSERV;
  addrinfo* list = nullptr;
  const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
  Answer answer;
  if (status != 0) {
    answer.reason = status == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(status);
    return answer;
  }
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    SocketAddress& address = answer.found.emplace_back();
    std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = entry->ai_addrlen;
  }
  freeaddrinfo(list);
  return answer;
}

}  // namespace

// What the resolver's thread and the lookup share; the last of them to let
// go closes the eventfd.
struct HostLookup::Pending {
  int wake = -1;
  std::mutex mutex;
  Answer answer;
  ~Pending() {
    if (wake >= 0) close(wake);
  }
};

HostLookup::HostLookup() : answered_(std::make_unique<QSocketNotifier>(QSocketNotifier::Read)) {
  QObject::connect(answered_.get(), &QSocketNotifier::activated, [this] { Finish(); });
}

HostLookup::~HostLookup() { Cancel(); }

void HostLookup::Cancel() {
  answered_->setEnabled(false);
  pending_.reset();
  done_ = nullptr;
}

void HostLookup::Start(const std::string& host, std::uint16_t port, int family, int socket_type, Done done) {
  Cancel();
  // A numeric address needs no resolver: answered here, in the caller's turn.
  Answer numeric = Resolve(host, port, family, socket_type, AI_NUMERICHOST);
  if (!numeric.found.empty()) {
    done(std::move(numeric.found), {});
    return;
  }
  auto pending = std::make_shared<Pending>();
  pending->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (pending->wake < 0) {
    done({}, std::strerror(errno));
    return;
  }
  try {
    std::thread([pending, host, port, family, socket_type] {
      Answer answer = Resolve(host, port, family, socket_type, 0);
      {
        const std::lock_guard<std::mutex> lock(pending->mutex);
        pending->answer = std::move(answer);
      }
      const std::uint64_t one = 1;
      (void)!write(pending->wake, &one, sizeof one);
    }).detach();
  } catch (const std::system_error& error) {
    done({}, error.what());
    return;
  }
  answered_->setSocket(pending->wake);
  answered_->setEnabled(true);
  pending_ = std::move(pending);
  done_ = std::move(done);
}

void HostLookup::Finish() {
  // Everything is taken out first: `done` may start another lookup, or
  // destroy this one.
  answered_->setEnabled(false);
  if (!pending_) return;
  const std::shared_ptr<Pending> pending = std::exchange(pending_, nullptr);
  Done done = std::exchange(done_, nullptr);
  Answer answer;
  {
    const std::lock_guard<std::mutex> lock(pending->mutex);
    answer = std::move(pending->answer);
  }
  if (answer.found.empty() && answer.reason.empty()) answer.reason = gai_strerror(EAI_NONAME);
  done(std::move(answer.found), answer.reason);
}

}  // namespace lobbyfind::qt
