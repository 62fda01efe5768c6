// The Linux edition's socket ports on real loopback sockets: the contract
// every edition's TCP ports meet, and what only these system sockets can
// show (a reset, a name nobody knows, a listener out of descriptors).
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
  ASSERT_TRUE(served.listener.IsListening());
  std::unique_ptr<ports::TcpConnection>& accepted = served.accepted;
  const int peer = RawClient(served.port);
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(RunUntil([&] { return accepted != nullptr; }, 5000));
  std::string events;
  accepted->OnError = [&](const std::string& reason) { events += "error:" + reason + ";"; };
  accepted->OnClosed = [&] { events += "closed;"; };
  // Closed with nothing to linger for: the system answers with a reset.
  const linger reset{1, 0};
  ASSERT_EQ(setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset), 0);
  close(peer);
  ASSERT_TRUE(RunUntil([&] { return events.find("closed;") != std::string::npos; }, 5000)) << events;
  EXPECT_EQ(events, "error:Connection reset by peer;closed;");
  EXPECT_FALSE(accepted->IsConnected());
}

TEST(QtSocketPorts, ANameNobodyKnowsIsAnErrorThenAClose) {
  QtTcpConnection client;
  std::string events;
  client.OnConnected = [&] { events += "connected;"; };
  client.OnError = [&](const std::string& reason) { events += reason.empty() ? "error();" : "error;"; };
  client.OnClosed = [&] { events += "closed;"; };
  client.Connect("no-such-host.invalid", 6667);
  ASSERT_TRUE(RunUntil([&] { return events.find("closed;") != std::string::npos; }, 10000)) << events;
  EXPECT_EQ(events, "error;closed;");
}

TEST(QtSocketPorts, ALookupGoneBeforeItsAnswerCallsNobody) {
  int answers = 0;
  auto lookup = std::make_unique<HostLookup>();
  lookup->Start("localhost", 80, AF_INET, SOCK_STREAM,
                [&](std::vector<SocketAddress>, const std::string&) { ++answers; });
  EXPECT_TRUE(lookup->Running());
  lookup.reset();  // the resolver's thread still runs; its answer goes nowhere
  HostLookup cancelled;
  cancelled.Start("localhost", 80, AF_INET, SOCK_STREAM,
                  [&](std::vector<SocketAddress>, const std::string&) { ++answers; });
  cancelled.Cancel();
  HostLookup kept;
  std::vector<SocketAddress> found;
  kept.Start("localhost", 80, AF_INET, SOCK_STREAM,
             [&](std::vector<SocketAddress> f, const std::string&) { found = std::move(f); });
  ASSERT_TRUE(RunUntil([&] { return !found.empty(); }, 5000));
  QTest::qWait(100);
  EXPECT_EQ(answers, 0);
  EXPECT_EQ(found.front().storage.ss_family, AF_INET);
  // A number needs no resolver: answered before Start returns.
  bool at_once = false;
  kept.Start("127.0.0.1", 80, AF_INET, SOCK_STREAM,
             [&](std::vector<SocketAddress>, const std::string&) { at_once = true; });
  EXPECT_TRUE(at_once);
}

TEST(QtSocketPorts, AListenerOutOfDescriptorsWaitsWithoutSpinningAndTakesTheCallerLater) {
  Listening served;
  ASSERT_TRUE(served.listener.IsListening());
  const std::unique_ptr<ports::TcpConnection>& accepted = served.accepted;
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int peer = RawClient(served.port);  // waits in the backlog
  ASSERT_GE(peer, 0);
  // No descriptor left for the accept: the lowest free one is taken away.
  const int probe = dup(0);
  ASSERT_GE(probe, 0);
  close(probe);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(probe);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  const double cpu_before = ProcessCpuMs();
  QTest::qWait(300);
  const double cpu_spent = ProcessCpuMs() - cpu_before;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_EQ(accepted, nullptr);
  // A listener that kept asking would have spent the whole wait on it.
  EXPECT_LT(cpu_spent, 150.0);
  ASSERT_TRUE(RunUntil([&] { return accepted != nullptr; }, 5000));
  EXPECT_EQ(accepted->PeerAddress(), "127.0.0.1");
  close(peer);
}

}  // namespace
}  // namespace lobbyfind::qt
