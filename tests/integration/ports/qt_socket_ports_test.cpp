// The Linux edition's socket ports on real loopback sockets: the contract
// every edition's TCP ports meet, and what only these system sockets can
// show (a reset, names looked up on a thread, a listener out of descriptors).
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtTest/QTest>
#include <ctime>

#include "qt/host_lookup.h"
#include "qt/qt_tcp_connection.h"
#include "qt/qt_tcp_listener.h"
#include "support/socket_ports_contract.h"

namespace lobbyfind::qt {
namespace {

using testing_support::PrintPortsName;
using testing_support::SocketPorts;
using testing_support::SocketPortsContract;

bool RunUntil(const std::function<bool()>& done, int timeout_ms) { return QTest::qWaitFor(done, timeout_ms); }

INSTANTIATE_TEST_SUITE_P(Qt, SocketPortsContract,
                         ::testing::Values(SocketPorts{
                             "SystemSockets", [] { return std::make_unique<QtTcpConnection>(); },
                             [] { return std::make_unique<QtTcpListener>(); }, RunUntil}),
                         PrintPortsName);

// A plain client socket of the test's own, connected to `port` on loopback.
int RawClient(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

// A listener on a free port that keeps the last connection it accepted.
struct Listening {
  Listening() {
    for (port = 23700; port < 23900 && !listener.Listen(port); ++port) {
    }
    listener.OnAccepted = [this](std::unique_ptr<ports::TcpConnection> c) { accepted = std::move(c); };
  }
  QtTcpListener listener;
  std::uint16_t port = 0;
  std::unique_ptr<ports::TcpConnection> accepted;
};

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

TEST(QtSocketPorts, APeerThatResetsIsAnErrorThenAClose) {
  Listening served;
  const int peer = RawClient(served.port);
  ASSERT_TRUE(peer >= 0 && RunUntil([&] { return served.accepted != nullptr; }, 5000));
  std::string events;
  served.accepted->OnError = [&](const std::string& reason) { events += "error:" + reason + ";"; };
  served.accepted->OnClosed = [&] { events += "closed;"; };
  // Closed with nothing to linger for: the system answers with a reset.
  const linger reset{1, 0};
  ASSERT_EQ(setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset), 0);
  close(peer);
  EXPECT_TRUE(RunUntil([&] { return events.find("closed;") != std::string::npos; }, 5000));
  EXPECT_EQ(events, "error:Connection reset by peer;closed;");
}

TEST(QtSocketPorts, ANameIsAnsweredFromTheEventLoopAndALookupGoneOrCancelledCallsNobody) {
  QtTcpConnection client;
  std::string events;
  client.OnError = [&](const std::string& reason) { events += reason.empty() ? "error();" : "error;"; };
  client.OnClosed = [&] { events += "closed;"; };
  client.Connect("no-such-host.invalid", 6667);
  int stray = 0;
  const auto count = [&](std::vector<SocketAddress>, const std::string&) { ++stray; };
  auto gone = std::make_unique<HostLookup>();
  gone->Start("localhost", 80, AF_INET, SOCK_STREAM, count);
  gone.reset();  // its resolver's thread still runs; the answer goes nowhere
  HostLookup cancelled;
  cancelled.Start("localhost", 80, AF_INET, SOCK_STREAM, count);
  cancelled.Cancel();
  EXPECT_TRUE(RunUntil([&] { return events.find("closed;") != std::string::npos; }, 10000));
  QTest::qWait(100);
  EXPECT_EQ(events, "error;closed;");
  EXPECT_EQ(stray, 0);
  bool at_once = false;  // a number needs no resolver
  cancelled.Start("127.0.0.1", 80, AF_INET, SOCK_STREAM,
                  [&](std::vector<SocketAddress>, const std::string&) { at_once = true; });
  EXPECT_TRUE(at_once);
}

TEST(QtSocketPorts, AListenerOutOfDescriptorsWaitsWithoutSpinningAndTakesTheCallerLater) {
  Listening served;
  const int peer = RawClient(served.port);  // waits in the backlog
  ASSERT_GE(peer, 0);
  // No descriptor left for the accept: the lowest free one is taken away.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowest = dup(0);
  close(lowest);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(lowest);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  const double cpu_before = ProcessCpuMs();
  QTest::qWait(300);
  const double cpu_spent = ProcessCpuMs() - cpu_before;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_EQ(served.accepted, nullptr);
  EXPECT_LT(cpu_spent, 150.0) << "a listener that kept asking spends the whole wait on it";
  EXPECT_TRUE(RunUntil([&] { return served.accepted != nullptr; }, 5000));
  close(peer);
}

}  // namespace
}  // namespace lobbyfind::qt
