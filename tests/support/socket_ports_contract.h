// What every edition's TCP ports must do for the core, written once and run
// against each edition's adapters on real loopback sockets (the Qt edition's
// in the main run, the Windows edition's under Wine). A test program includes
// this header in one source file and instantiates the suite:
//   INSTANTIATE_TEST_SUITE_P(Qt, SocketPortsContract, testing::Values(ports), PrintPortsName);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "ports/tcp_connection.h"
#include "ports/tcp_listener.h"

namespace lobbyfind::testing_support {

struct SocketPorts {
  std::string name;
  std::function<std::unique_ptr<ports::TcpConnection>()> connection;
  std::function<std::unique_ptr<ports::TcpListener>()> listener;
  // Runs the edition's event loop until `done` holds (true) or `timeout_ms`
  // have passed (then whether it holds).
  std::function<bool(const std::function<bool()>& done, int timeout_ms)> run_until;
};

inline void PrintTo(const SocketPorts& ports, std::ostream* out) { *out << ports.name; }
inline std::string PrintPortsName(const ::testing::TestParamInfo<SocketPorts>& info) {
  return info.param.name;
}

class SocketPortsContract : public ::testing::TestWithParam<SocketPorts> {
 protected:
  static constexpr int kWaitMs = 5000;

  void SetUp() override {
    listener_ = GetParam().listener();
    client_ = GetParam().connection();
  }

  bool RunUntil(const std::function<bool()>& done, int timeout_ms = kWaitMs) {
    return GetParam().run_until(done, timeout_ms);
  }
  void RunFor(int ms) {
    (void)RunUntil([] { return false; }, ms);
  }

  // Listens on the first free port from a base; the port, or 0.
  static std::uint16_t ListenSomewhere(ports::TcpListener& listener) {
    for (std::uint16_t port = 23500; port < 23700; ++port) {
      if (listener.Listen(port)) return port;
    }
    return 0;
  }

  // A port nobody listens on now.
  std::uint16_t DeadPort() {
    const auto probe = GetParam().listener();
    const std::uint16_t port = ListenSomewhere(*probe);
    probe->Close();
    return port;
  }

  // The client connected to the listener, and the accepted end.
  void ConnectPair(const std::string& host) {
    port_ = ListenSomewhere(*listener_);
    ASSERT_NE(port_, 0);
    listener_->OnAccepted = [this](std::unique_ptr<ports::TcpConnection> c) { server_ = std::move(c); };
    client_->OnConnected = [this] { connected_ = true; };
    client_->Connect(host, port_);
    ASSERT_TRUE(RunUntil([&] { return connected_ && server_ != nullptr; }));
  }

  // Every notification of the client, in order, as "connected;",
  // "data:<bytes>;", "error;" (with a readable reason) and "closed;".
  void Record() {
    client_->OnConnected = [this] { events_ += "connected;"; };
    client_->OnData = [this](std::string_view bytes) { events_ += "data:" + std::string(bytes) + ";"; };
    client_->OnError = [this](const std::string& reason) {
      events_ += reason.empty() ? "error();" : "error;";
    };
    client_->OnClosed = [this] { events_ += "closed;"; };
  }
  bool Saw(const std::string& event) const { return events_.find(event) != std::string::npos; }

  std::unique_ptr<ports::TcpListener> listener_;
  std::unique_ptr<ports::TcpConnection> client_;
  std::unique_ptr<ports::TcpConnection> server_;
  std::uint16_t port_ = 0;
  bool connected_ = false;
  std::string events_;
};

TEST_P(SocketPortsContract, BytesTravelBothWaysAndThePeerIsKnown) {
  for (const std::string host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    connected_ = false;
    server_.reset();
    listener_->Close();
    ConnectPair(host);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(client_->IsConnected());
    EXPECT_EQ(server_->PeerAddress(), "127.0.0.1");
    EXPECT_EQ(client_->PeerAddress(), "127.0.0.1");
    std::string at_server;
    std::string at_client;
    server_->OnData = [&](std::string_view bytes) { at_server.append(bytes); };
    client_->OnData = [&](std::string_view bytes) { at_client.append(bytes); };
    client_->Write("NICK one\r\n");
    server_->Write(std::string("PING :\0x\r\n", 10));
    EXPECT_TRUE(RunUntil([&] { return at_server == "NICK one\r\n" && at_client.size() == 10; }))
        << at_server << "|" << at_client;
    EXPECT_EQ(at_client, std::string("PING :\0x\r\n", 10));
  }
}

TEST_P(SocketPortsContract, ALargeWriteArrivesWholeInSlices) {
  ConnectPair("127.0.0.1");
  if (HasFatalFailure()) return;
  std::string sent(4 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7);
  std::string received;
  std::size_t largest = 0;
  server_->OnData = [&](std::string_view bytes) {
    received.append(bytes);
    largest = std::max(largest, bytes.size());
  };
  client_->Write(sent.substr(0, sent.size() - 1000));
  client_->Write(sent.substr(sent.size() - 1000));  // behind bytes still waiting: keeps its place
  EXPECT_TRUE(RunUntil([&] { return received.size() >= sent.size(); }, 20000)) << received.size();
  EXPECT_TRUE(received == sent);
  // A flood reaches the core a bounded slice at a time.
  EXPECT_LE(largest, 64U * 1024U);
}

TEST_P(SocketPortsContract, AnEndIsReportedOnceAfterTheLastBytesAndNotToTheSideThatClosed) {
  ConnectPair("127.0.0.1");
  if (HasFatalFailure()) return;
  Record();
  // The accepted side answers and closes inside its own notification.
  std::string at_server;
  server_->OnData = [&](std::string_view bytes) {
    at_server += "data:" + std::string(bytes) + ";";
    server_->Write("bye\r\n");
    server_->Close();
  };
  server_->OnClosed = [&] { at_server += "closed;"; };
  client_->Write("first");
  EXPECT_TRUE(RunUntil([&] { return Saw("closed;"); })) << events_;
  RunFor(200);
  EXPECT_EQ(events_, "data:bye\r\n;closed;");
  // The client's own end, which follows, is not the closed side's to hear.
  EXPECT_EQ(at_server, "data:first;");
  EXPECT_FALSE(client_->IsConnected());
  EXPECT_FALSE(server_->IsConnected());
}

TEST_P(SocketPortsContract, ARefusedConnectIsAnErrorThenACloseAndANewConnectOrACloseEndsAnAttempt) {
  port_ = ListenSomewhere(*listener_);
  const std::uint16_t dead = DeadPort();  // another one: this listener holds its own
  ASSERT_TRUE(dead != 0 && port_ != 0);
  listener_->OnAccepted = [this](std::unique_ptr<ports::TcpConnection> c) { server_ = std::move(c); };
  Record();
  client_->Connect("127.0.0.1", dead);
  EXPECT_EQ(events_, "") << "nothing is reported inside Connect";
  EXPECT_TRUE(RunUntil([&] { return Saw("closed;"); })) << events_;
  EXPECT_EQ(events_, "error;closed;");
  client_->Write("dropped");  // not connected: dropped without harm
  // Closed before anything came of it, or replaced by a new connect: nothing
  // more is heard of an attempt.
  events_.clear();
  client_->Connect("localhost", port_);
  client_->Close();
  RunFor(200);
  EXPECT_EQ(events_, "");
  server_.reset();
  client_->Connect("127.0.0.1", dead);
  client_->Connect("localhost", port_);
  ASSERT_TRUE(RunUntil([&] { return Saw("connected;") && server_ != nullptr; })) << events_;
  RunFor(200);
  EXPECT_EQ(events_, "connected;");
  std::string at_server;
  server_->OnData = [&](std::string_view bytes) { at_server.append(bytes); };
  client_->Write("again");
  EXPECT_TRUE(RunUntil([&] { return at_server == "again"; })) << at_server;
}

TEST_P(SocketPortsContract, AListenerRefusesATakenPortAndFreesItOnClose) {
  const std::uint16_t port = ListenSomewhere(*listener_);
  ASSERT_NE(port, 0);
  EXPECT_TRUE(listener_->IsListening());
  const auto second = GetParam().listener();
  EXPECT_FALSE(second->Listen(port));
  EXPECT_FALSE(second->IsListening());
  listener_->Close();
  EXPECT_FALSE(listener_->IsListening());
  EXPECT_TRUE(second->Listen(port));
}

}  // namespace lobbyfind::testing_support
