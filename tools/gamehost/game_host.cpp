#include "game_host.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <list>

#include "presence/session_enumeration.h"
#include "platform/linux/arrival_stamp.h"

namespace lobbyfind::gamehost {
namespace {

// Pieces of one reply go out this far apart, so that the receiver sees them
// as separate arrivals rather than one coalesced read.
constexpr int kPieceGapMs = 20;
constexpr std::uint32_t kMaxPlayers = 6;
constexpr std::uint32_t kCurrentPlayers = 1;

std::int64_t NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t NowMs() { return NowUs() / 1000; }

// One answer on its way: waiting for its delay, then sent piece by piece.
// Kept in microseconds: the delay is the reference the lobby's shown round
// trips are checked against, so it must not be a millisecond off itself.
struct Answer {
  sockaddr_in asker{};
  // When the request reached the host's socket, by the system's stamp: the
  // delay starts there, however late this process got round to reading it.
  std::int64_t received_us = 0;
  std::int64_t due_us = 0;
  // When the first piece was handed to the system: how late the host was
  // past its delay.
  std::int64_t first_sent_us = 0;
  int fd = -1;
  std::size_t next_piece = 0;
};

std::string AddressText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return text;
}

class Host {
 public:
  explicit Host(const Options& options)
      : options_(options),
        reply_(presence::SessionReply(options.game_port, options.session, kMaxPlayers, kCurrentPlayers)),
        announcer_(options.announce, options.address, options.game_port) {}

  ~Host() {
    for (Answer& answer : answers_) {
      if (answer.fd >= 0) close(answer.fd);
    }
    if (udp_ >= 0) close(udp_);
  }

  bool Open() {
    if (inet_pton(AF_INET, options_.address.c_str(), &local_.sin_addr) != 1) {
      std::fprintf(stderr, "lobbyfind-gamehost: not an IPv4 address: %s\n", options_.address.c_str());
      return false;
    }
    local_.sin_family = AF_INET;
    udp_ = socket(AF_INET, SOCK_DGRAM, 0);
    const int yes = 1;
    setsockopt(udp_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    (void)platform::AskForArrivalStamps(udp_);
    // Wake at the answer's due time, not up to the default 50 us after it:
    // the delay is a reference.
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sockaddr_in bound = local_;
    bound.sin_port = htons(presence::kEnumerationPort);
    if (udp_ < 0 || bind(udp_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
      std::fprintf(stderr, "lobbyfind-gamehost: cannot listen on %s:%u: %s\n", options_.address.c_str(),
                   static_cast<unsigned>(presence::kEnumerationPort), std::strerror(errno));
      return false;
    }
    std::printf("listening on %s:%u, game port %u\n", options_.address.c_str(),
                static_cast<unsigned>(presence::kEnumerationPort), static_cast<unsigned>(options_.game_port));
    std::fflush(stdout);
    return true;
  }

  void Run(const volatile std::sig_atomic_t& stop) {
    while (stop == 0) {
      pollfd fd{udp_, POLLIN, 0};
      // Wake at the next due answer, and often enough to notice a signal.
      std::int64_t timeout_us = 100000;
      for (const Answer& answer : answers_) timeout_us = std::clamp<std::int64_t>(answer.due_us - NowUs(), 0, timeout_us);
      const timespec timeout{static_cast<time_t>(timeout_us / 1000000), static_cast<long>(timeout_us % 1000000 * 1000)};
      if (ppoll(&fd, 1, &timeout, nullptr) > 0 && (fd.revents & POLLIN) != 0) Receive();
      SendDue();
      announcer_.Tick(NowMs());
    }
    announcer_.Withdraw();
  }

 private:
  void Receive() {
    char buffer[2048];
    sockaddr_in from{};
    const platform::StampedRead read = platform::ReadStamped(udp_, buffer, sizeof buffer, 0, &from);
    const ssize_t n = read.bytes;
    if (n <= 0) return;
    if (!presence::IsGameSessionRequest(std::string_view(buffer, static_cast<std::size_t>(n)))) {
      std::printf("ignored %zd bytes from %s: not a request for this game\n", n, AddressText(from).c_str());
      std::fflush(stdout);
      return;
    }
    Answer answer;
    answer.asker = from;
    answer.asker.sin_port = htons(options_.answer_port);
    answer.received_us = read.arrival_us.value_or(NowUs());
    answer.due_us = answer.received_us + std::int64_t{options_.delay_ms} * 1000;
    answers_.push_back(answer);
  }

  void SendDue() {
    const std::int64_t now = NowUs();
    for (auto it = answers_.begin(); it != answers_.end();) {
      if (it->due_us <= now && !SendNextPiece(*it)) {
        if (it->fd >= 0) close(it->fd);
        it = answers_.erase(it);
      } else {
        ++it;
      }
    }
  }

  // False when this answer is finished (sent or failed).
  bool SendNextPiece(Answer& answer) {
    if (answer.fd < 0 && !Connect(answer)) return false;
    const std::size_t pieces = std::clamp<std::size_t>(static_cast<std::size_t>(options_.pieces), 1, reply_.size());
    const std::size_t size = reply_.size() / pieces;
    const std::size_t begin = answer.next_piece * size;
    const std::size_t length = answer.next_piece + 1 == pieces ? reply_.size() - begin : size;
    // Read before the send: on loopback the bytes reach the asker within the
    // call, and the scheduler is likelier to come in as the call returns.
    if (answer.next_piece == 0) answer.first_sent_us = NowUs();
    if (send(answer.fd, reply_.data() + begin, length, MSG_NOSIGNAL) != static_cast<ssize_t>(length)) {
      Report(answer, std::string("failed: ") + std::strerror(errno));
      return false;
    }
    if (++answer.next_piece < pieces) {
      answer.due_us = NowUs() + kPieceGapMs * 1000;
      return true;
    }
    Report(answer, "answered");
    return false;
  }

  bool Connect(Answer& answer) {
    // The answer comes from the host's own address, which is how the asker
    // tells the servers apart.
    answer.fd = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(answer.fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    sockaddr_in from = local_;
    from.sin_port = 0;
    if (answer.fd < 0 || bind(answer.fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
        connect(answer.fd, reinterpret_cast<const sockaddr*>(&answer.asker), sizeof answer.asker) != 0) {
      Report(answer, std::string("cannot connect: ") + std::strerror(errno));
      return false;
    }
    return true;
  }

  // The line ends with how long after its delay the answer's first piece
  // went out: the stand-in's own share of a measured round trip.
  void Report(const Answer& answer, const std::string& what) {
    std::printf("%s %s:%u after %lld ms (game port %u, %d piece(s))", what.c_str(), AddressText(answer.asker).c_str(),
                static_cast<unsigned>(ntohs(answer.asker.sin_port)),
                static_cast<long long>((NowUs() - answer.received_us) / 1000), static_cast<unsigned>(options_.game_port),
                options_.pieces);
    if (answer.first_sent_us != 0) {
      const std::int64_t late = answer.first_sent_us - (answer.received_us + std::int64_t{options_.delay_ms} * 1000);
      std::printf(", sent %lld us past the delay", static_cast<long long>(late));
    }
    std::printf("\n");
    std::fflush(stdout);
  }

  const Options& options_;
  const std::string reply_;
  sockaddr_in local_{};
  int udp_ = -1;
  std::list<Answer> answers_;
  Announcer announcer_;
};

}  // namespace

int RunGameHost(const Options& options, const volatile std::sig_atomic_t& stop) {
  Host host(options);
  if (!host.Open()) return 1;
  host.Run(stop);
  return 0;
}

}  // namespace lobbyfind::gamehost
