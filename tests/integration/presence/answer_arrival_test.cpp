// The answer port's accepted connections on a real loopback socket: every
// arrival comes with the system's stamp of when it came, whether the bytes
// were there at the accept or came later while the event loop was busy.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "game_host_process.h"
#include "ports/clock.h"
#include "qt/qt_tcp_listener.h"

namespace lobbyfind::qt {
namespace {

using presence::testing::FreeTcpPort;
using presence::testing::RunUntil;

// The stamp is taken on the wall clock and converted; a conversion a
// millisecond off would show in the round trips.
constexpr std::int64_t kStampSlackUs = 1000;
// How long the event loop is kept from the socket, standing for its other work.
constexpr std::int64_t kBusyUs = 30000;

struct Arrival {
  std::string bytes;
  std::optional<std::int64_t> arrival_us;
  std::int64_t handled_us = 0;
};

// A listener on a free port and what its one accepted connection handed over.
class StampedArrivals : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = FreeTcpPort();
    ASSERT_NE(port_, 0);
    ASSERT_TRUE(listener_.Listen(port_));
    listener_.OnAccepted = [this](std::unique_ptr<ports::TcpConnection> connection) {
      accepted_ = std::move(connection);
      accepted_->OnData = [this](std::string_view bytes) {
        arrivals_.push_back({std::string(bytes), accepted_->TakeArrivalUs(), clock_.MonotonicUs()});
      };
      accepted_->OnError = [this](const std::string& reason) { errors_.push_back(reason); };
      accepted_->OnClosed = [this] { ++closed_; };
    };
    // The system turns its stamping on for the first socket that asks a
    // little later, on a worker of its own; what arrives before that carries
    // no stamp. A first connection waits for it.
    ASSERT_TRUE(RunUntil(
        [this] {
          if (!arrivals_.empty() && arrivals_.back().arrival_us) return true;
          if (client_ >= 0 && arrivals_.empty()) return false;
          if (client_ >= 0) close(client_);
          arrivals_.clear();
          ConnectFrom("127.0.0.6");
          SendTimed("probe");
          return false;
        },
        5000))
        << "the system never stamped an arrival";
    close(std::exchange(client_, -1));
    arrivals_.clear();
  }
  void TearDown() override {
    if (client_ >= 0) close(client_);
  }

  // A blocking client socket from `from`, connected (the system completes
  // the connection before the listener has accepted it).
  void ConnectFrom(const char* from) {
    client_ = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(client_, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from, &local.sin_addr);
    ASSERT_EQ(bind(client_, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ASSERT_EQ(connect(client_, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
  }

  // Sends `bytes`; the clock before and after the send.
  std::pair<std::int64_t, std::int64_t> SendTimed(const std::string& bytes) {
    const std::int64_t before = clock_.MonotonicUs();
    EXPECT_EQ(send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    return {before, clock_.MonotonicUs()};
  }

  // Keeps the event loop away from the sockets for `us`.
  void BusyFor(std::int64_t us) const {
    const std::int64_t until = clock_.MonotonicUs() + us;
    while (clock_.MonotonicUs() < until) {
    }
  }

  std::size_t ArrivedBytes() const {
    std::size_t total = 0;
    for (const Arrival& a : arrivals_) total += a.bytes.size();
    return total;
  }

  ports::SystemClock clock_;
  std::uint16_t port_ = 0;
  QtTcpListener listener_;
  std::unique_ptr<ports::TcpConnection> accepted_;
  std::vector<Arrival> arrivals_;
  std::vector<std::string> errors_;
  int closed_ = 0;
  int client_ = -1;
};

void ExpectStampedWithin(const Arrival& arrival, std::pair<std::int64_t, std::int64_t> sent) {
  ASSERT_TRUE(arrival.arrival_us.has_value()) << "no stamp for '" << arrival.bytes << "'";
  EXPECT_GE(*arrival.arrival_us, sent.first - kStampSlackUs);
  EXPECT_LE(*arrival.arrival_us, sent.second + kStampSlackUs);
  // Handled after the busy spell, yet timed before it.
  EXPECT_GE(arrival.handled_us - *arrival.arrival_us, kBusyUs - kStampSlackUs);
}

TEST_F(StampedArrivals, BytesWaitingAtTheAcceptAndBytesAfterItAreTimedWhereTheyArrived) {
  ConnectFrom("127.0.0.7");
  const auto first = SendTimed("before the accept");
  BusyFor(kBusyUs);
  ASSERT_TRUE(RunUntil([&] { return arrivals_.size() == 1; }, 5000));
  EXPECT_EQ(accepted_->PeerAddress(), "127.0.0.7");

  const auto second = SendTimed("after the accept");
  BusyFor(kBusyUs);
  ASSERT_TRUE(RunUntil([&] { return arrivals_.size() == 2; }, 5000));

  EXPECT_EQ(arrivals_[0].bytes, "before the accept");
  EXPECT_EQ(arrivals_[1].bytes, "after the accept");
  ExpectStampedWithin(arrivals_[0], first);
  ExpectStampedWithin(arrivals_[1], second);
  // A stamp is handed over once, with its own bytes.
  EXPECT_EQ(accepted_->TakeArrivalUs(), std::nullopt);
}

TEST_F(StampedArrivals, AFloodComesInSlicesInOrderAndThePeersCloseIsAnOrdinaryEnd) {
  ConnectFrom("127.0.0.8");
  std::string flood;
  for (int i = 0; flood.size() < 100000; ++i) flood += std::to_string(i) + ',';
  std::thread writer([&] {
    (void)send(client_, flood.data(), flood.size(), MSG_NOSIGNAL);
    shutdown(client_, SHUT_WR);
  });
  const bool ended = RunUntil([&] { return closed_ > 0; }, 10000);
  writer.join();
  ASSERT_TRUE(ended) << ArrivedBytes() << " of " << flood.size() << " bytes";
  std::string got;
  for (const Arrival& a : arrivals_) {
    EXPECT_LE(a.bytes.size(), 16u * 1024);
    EXPECT_TRUE(a.arrival_us.has_value());
    got += a.bytes;
  }
  EXPECT_EQ(got, flood);
  EXPECT_GT(arrivals_.size(), 1u);
  EXPECT_EQ(closed_, 1);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_FALSE(accepted_->IsConnected());
}

// Every listed game answers a refresh at about the same moment. The system
// must take a burst of them while the window is busy: a connection it drops
// is tried again by the game's system only a second later, a second that
// would show as that game's ping.
TEST(AnswerPortBurst, TwoHundredGamesConnectingAtOnceAreAllTakenBeforeTheProgramAcceptsOne) {
  const std::uint16_t port = FreeTcpPort();
  ASSERT_NE(port, 0);
  QtTcpListener listener;
  ASSERT_TRUE(listener.Listen(port));
  constexpr int kGames = 200;
  std::vector<int> clients;
  for (int i = 0; i < kGames; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(fd, 0);
    clients.push_back(fd);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, ("127.0.9." + std::to_string(i + 1)).c_str(), &local.sin_addr);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    (void)connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  // The event loop does not run meanwhile. A dropped handshake is retried
  // after a second, so half of that tells taken from dropped.
  std::vector<pollfd> polls;
  for (int fd : clients) polls.push_back({fd, POLLOUT, 0});
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  int connected = 0;
  while (connected < kGames && std::chrono::steady_clock::now() < until) {
    (void)poll(polls.data(), polls.size(), 20);
    connected = 0;
    for (const pollfd& p : polls) connected += (p.revents & POLLOUT) != 0;
  }
  for (int fd : clients) close(fd);
  EXPECT_EQ(connected, kGames);
}

}  // namespace
}  // namespace lobbyfind::qt
