// Stand-ins for the ports, for driving the presence core without sockets.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ports/clock.h"
#include "ports/tcp_connection.h"
#include "ports/tcp_listener.h"
#include "ports/timer.h"
#include "ports/udp_sender.h"

namespace lobbyfind::presence::testing {

struct Datagram {
  std::string host;
  std::uint16_t port;
  std::string bytes;
};

class FakeUdpSender final : public ports::UdpSender {
 public:
  bool Send(const std::string& host, std::uint16_t port, std::string_view datagram) override {
    if (refused.count(host) != 0) return false;
    sent.push_back({host, port, std::string(datagram)});
    return true;
  }
  std::vector<Datagram> sent;
  std::set<std::string> refused;
};

// Both clocks move together unless a test sets them apart.
class FakeClock final : public ports::Clock {
 public:
  [[nodiscard]] std::int32_t MsSinceMidnight() const override { return wall; }
  [[nodiscard]] std::int64_t MonotonicMs() const override { return monotonic; }
  void Advance(std::int64_t ms) {
    monotonic += ms;
    wall = static_cast<std::int32_t>((wall + ms) % 86400000);
  }
  std::int32_t wall = ports::MsOfDay(14, 0, 0, 0);
  std::int64_t monotonic = 1000000;
};

class FakeTimer final : public ports::Timer {
 public:
  void SetInterval(std::uint32_t ms) override { interval = ms; }
  [[nodiscard]] std::uint32_t Interval() const override { return interval; }
  void SetEnabled(bool on) override { enabled = on; }
  [[nodiscard]] bool Enabled() const override { return enabled; }
  void Fire() {
    if (enabled && OnTimer) OnTimer();
  }
  std::uint32_t interval = 0;
  bool enabled = false;
};

// Records what the core does with it; `alive` tells the test whether the
// core has released it yet.
class FakeConnection final : public ports::TcpConnection {
 public:
  explicit FakeConnection(std::string peer) : peer_(std::move(peer)) {}
  ~FakeConnection() override { *alive = false; }
  void Connect(const std::string&, std::uint16_t) override {}
  void Write(std::string_view bytes) override { written += bytes; }
  void Close() override { closed = true; }
  [[nodiscard]] bool IsConnected() const override { return !closed; }
  [[nodiscard]] std::string PeerAddress() const override { return peer_; }

  // Delivers an arrival; reports whether this object survived its own
  // notification (it must, whatever the handler did).
  bool Deliver(std::string_view bytes) {
    auto still = alive;
    if (OnData) OnData(bytes);
    return *still;
  }
  bool PeerCloses() {
    auto still = alive;
    if (OnClosed) OnClosed();
    return *still;
  }

  std::shared_ptr<bool> alive = std::make_shared<bool>(true);
  std::string written;
  bool closed = false;

 private:
  std::string peer_;
};

class FakeListener final : public ports::TcpListener {
 public:
  bool Listen(std::uint16_t port) override {
    ++listen_calls;
    if (refuse) return false;
    listening_port = port;
    listening = true;
    return true;
  }
  void Close() override { listening = false; }
  [[nodiscard]] bool IsListening() const override { return listening; }

  // A peer connects; the returned pointer stays valid while *alive is true.
  FakeConnection* Connect(const std::string& peer) {
    auto connection = std::make_unique<FakeConnection>(peer);
    FakeConnection* raw = connection.get();
    OnAccepted(std::move(connection));
    return raw;
  }

  bool refuse = false;
  bool listening = false;
  int listen_calls = 0;
  std::uint16_t listening_port = 0;
};

}  // namespace lobbyfind::presence::testing
