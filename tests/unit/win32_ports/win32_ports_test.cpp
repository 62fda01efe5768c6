// The Winsock and SetTimer ports against real loopback sockets: every
// notification arrives through the message loop, which the tests pump. The
// TCP ports meet the contract every edition's do (support/
// socket_ports_contract.h); the datagram sender and the timer are checked here.
#ifdef _WIN32

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "win32/win32_tcp_connection.h"
#include "win32/win32_tcp_listener.h"
#include "win32/win32_timer.h"
#include "win32/win32_udp_sender.h"
#include "support/socket_ports_contract.h"

namespace lobbyfind::win32 {
namespace {

using testing_support::PrintPortsName;
using testing_support::SocketPorts;
using testing_support::SocketPortsContract;

constexpr int kWaitMs = 5000;

// Handles window messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms = kWaitMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  while (GetTickCount64() < end) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (done()) return true;
    Sleep(1);
  }
  return done();
}

// Winsock for the whole program: the contract's suite uses it too.
class Winsock : public ::testing::Environment {
 public:
  void SetUp() override {
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { WSACleanup(); }
};
[[maybe_unused]] ::testing::Environment* const kWinsock = ::testing::AddGlobalTestEnvironment(new Winsock);

INSTANTIATE_TEST_SUITE_P(Win32, SocketPortsContract,
                         ::testing::Values(SocketPorts{"Winsock",
                                                       [] { return std::make_unique<Win32TcpConnection>(); },
                                                       [] { return std::make_unique<Win32TcpListener>(); },
                                                       [](const std::function<bool()>& done, int timeout_ms) {
                                                         return PumpUntil(done, timeout_ms);
                                                       }}),
                         PrintPortsName);

TEST(Win32Ports, UdpDatagramsReachTheirAddress) {
  const SOCKET receiver = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  int length = sizeof local;
  getsockname(receiver, reinterpret_cast<sockaddr*>(&local), &length);
  DWORD timeout = kWaitMs;
  setsockopt(receiver, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);

  Win32UdpSender sender;
  const std::string datagram("\x34\x00\xb0\xfa", 4);
  EXPECT_TRUE(sender.Send("127.0.0.1", ntohs(local.sin_port), datagram));
  EXPECT_FALSE(sender.Send("", ntohs(local.sin_port), datagram));
  char buffer[64] = {};
  const int got = recv(receiver, buffer, sizeof buffer, 0);
  EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), datagram);
  // A host name goes out once it is looked up.
  EXPECT_TRUE(sender.Send("localhost", ntohs(local.sin_port), "named"));
  PumpUntil([] { return false; }, 500);
  const int named = recv(receiver, buffer, sizeof buffer, 0);
  EXPECT_EQ(std::string(buffer, named > 0 ? static_cast<std::size_t>(named) : 0), "named");
  closesocket(receiver);
}

TEST(Win32Ports, TimersTickWhileEnabledOnly) {
  Win32Timer timer;
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(20);
  EXPECT_EQ(timer.Interval(), 20U);
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(ticks, 0);  // not enabled yet
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);
  const int stopped_at = ticks;
  PumpUntil([] { return false; }, 150);
  EXPECT_EQ(ticks, stopped_at);
}

}  // namespace
}  // namespace lobbyfind::win32

#endif  // _WIN32
