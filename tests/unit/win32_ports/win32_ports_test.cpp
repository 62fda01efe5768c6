// The Winsock and SetTimer ports against real loopback sockets: every
// notification arrives through the message loop, which the tests pump.
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

namespace lobbyfind::win32 {
namespace {

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

class Win32Ports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  static void TearDownTestSuite() { WSACleanup(); }

  // Listens on the first free port from a base; the port, or 0.
  std::uint16_t ListenSomewhere(Win32TcpListener& listener) {
    for (std::uint16_t port = 23500; port < 23600; ++port) {
      if (listener.Listen(port)) return port;
    }
    return 0;
  }

  // A client connected to a listener, and the accepted end.
  void ConnectPair(const std::string& host) {
    port_ = ListenSomewhere(listener_);
    ASSERT_NE(port_, 0);
    listener_.OnAccepted = [this](std::unique_ptr<ports::TcpConnection> c) { server_ = std::move(c); };
    client_.OnConnected = [this] { connected_ = true; };
    client_.Connect(host, port_);
    ASSERT_TRUE(PumpUntil([&] { return connected_ && server_ != nullptr; }));
  }

  Win32TcpListener listener_;
  Win32TcpConnection client_;
  std::unique_ptr<ports::TcpConnection> server_;
  std::uint16_t port_ = 0;
  bool connected_ = false;
};

TEST_F(Win32Ports, BytesTravelBothWaysAndThePeerIsKnown) {
  for (const std::string host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    connected_ = false;
    server_.reset();
    listener_.Close();
    ConnectPair(host);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(client_.IsConnected());
    EXPECT_EQ(server_->PeerAddress(), "127.0.0.1");
    std::string at_server;
    std::string at_client;
    server_->OnData = [&](std::string_view bytes) { at_server.append(bytes); };
    client_.OnData = [&](std::string_view bytes) { at_client.append(bytes); };
    client_.Write("NICK one\r\n");
    server_->Write("PING :x\r\n");
    EXPECT_TRUE(PumpUntil([&] { return at_server == "NICK one\r\n" && at_client == "PING :x\r\n"; }))
        << at_server << "|" << at_client;
  }
}

TEST_F(Win32Ports, ALargeWriteArrivesWhole) {
  ConnectPair("127.0.0.1");
  if (HasFatalFailure()) return;
  std::string sent(4 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7);
  std::string received;
  server_->OnData = [&](std::string_view bytes) { received.append(bytes); };
  client_.Write(sent);
  EXPECT_TRUE(PumpUntil([&] { return received.size() >= sent.size(); }, 20000)) << received.size();
  EXPECT_TRUE(received == sent);
}

TEST_F(Win32Ports, APeerThatClosesIsReportedOnceAfterItsLastBytes) {
  ConnectPair("127.0.0.1");
  if (HasFatalFailure()) return;
  std::string received;
  int closed = 0;
  client_.OnData = [&](std::string_view bytes) { received.append(bytes); };
  client_.OnClosed = [&] { ++closed; };
  server_->Write("bye\r\n");
  PumpUntil([&] { return received == "bye\r\n"; });
  server_->Close();
  EXPECT_TRUE(PumpUntil([&] { return closed > 0; }));
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(received, "bye\r\n");
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(client_.IsConnected());
}

TEST_F(Win32Ports, ARefusedConnectionGivesAnErrorThenAClose) {
  Win32TcpListener probe;
  const std::uint16_t port = ListenSomewhere(probe);
  ASSERT_NE(port, 0);
  probe.Close();  // nobody listens there now
  std::string events;
  client_.OnConnected = [&] { events += "connected;"; };
  client_.OnError = [&](const std::string& reason) { events += reason.empty() ? "error;" : "error:text;"; };
  client_.OnClosed = [&] { events += "closed;"; };
  client_.Connect("127.0.0.1", port);
  EXPECT_TRUE(PumpUntil([&] { return events.find("closed;") != std::string::npos; })) << events;
  EXPECT_EQ(events, "error:text;closed;");
  client_.Write("dropped");  // not connected: dropped without harm
}

TEST_F(Win32Ports, AListenerRefusesATakenPortAndFreesItOnClose) {
  const std::uint16_t port = ListenSomewhere(listener_);
  ASSERT_NE(port, 0);
  Win32TcpListener second;
  EXPECT_FALSE(second.Listen(port));
  EXPECT_FALSE(second.IsListening());
  listener_.Close();
  EXPECT_FALSE(listener_.IsListening());
  EXPECT_TRUE(second.Listen(port));
}

TEST_F(Win32Ports, UdpDatagramsReachTheirAddress) {
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

TEST_F(Win32Ports, TimersTickWhileEnabledOnly) {
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
