// Hand-driven stand-ins for the connection and timer ports: the test decides
// when a connection comes up, what arrives, when it breaks and when the
// time-out fires, and reads what was sent.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ports/tcp_connection.h"
#include "ports/timer.h"

namespace lobbyfind::testing {

// What happened to one connection; kept after the connection is gone.
struct ConnectionRecord {
  std::string host;
  std::uint16_t port = 0;
  std::string written;
  bool closed_by_owner = false;
  bool destroyed = false;
};

class FakeTcpConnection final : public ports::TcpConnection {
 public:
  explicit FakeTcpConnection(ConnectionRecord& record) : record_(record) {}
  ~FakeTcpConnection() override { record_.destroyed = true; }

  void Connect(const std::string& to_host, std::uint16_t to_port) override {
    record_.host = to_host;
    record_.port = to_port;
  }
  void Write(std::string_view bytes) override {
    if (connected) record_.written.append(bytes);
  }
  void Close() override {
    record_.closed_by_owner = true;
    connected = false;
  }
  [[nodiscard]] bool IsConnected() const override { return connected; }
  [[nodiscard]] std::string PeerAddress() const override { return connected ? "127.0.0.1" : ""; }

  void Accept() {
    connected = true;
    if (OnConnected) OnConnected();
  }
  void Deliver(std::string_view bytes) {
    if (OnData) OnData(bytes);
  }
  void PeerCloses() {
    connected = false;
    if (OnClosed) OnClosed();
  }
  void Break(const std::string& reason) {
    connected = false;
    if (OnError) OnError(reason);
    if (OnClosed) OnClosed();
  }

  bool connected = false;

 private:
  ConnectionRecord& record_;
};

class FakeTimer final : public ports::Timer {
 public:
  void SetInterval(std::uint32_t ms) override {
    interval = ms;
    restarts++;
  }
  [[nodiscard]] std::uint32_t Interval() const override { return interval; }
  void SetEnabled(bool on) override { enabled = on; }
  [[nodiscard]] bool Enabled() const override { return enabled; }
  void Fire() {
    if (enabled && OnTimer) OnTimer();
  }

  std::uint32_t interval = 0;
  int restarts = 0;
  bool enabled = false;
};

// Makes the factories and keeps a view of everything they made. The objects
// belong to whoever asked the factory for them: drive a connection only while
// its record says it is not destroyed.
struct FakeNetwork {
  std::vector<FakeTcpConnection*> connections;
  std::deque<ConnectionRecord> records;
  // The last timer made, and every timer in creation order.
  FakeTimer* timer = nullptr;
  std::vector<FakeTimer*> timers;

  ports::TcpConnectionFactory ConnectionFactory() {
    return [this] {
      auto connection = std::make_unique<FakeTcpConnection>(records.emplace_back());
      connections.push_back(connection.get());
      return connection;
    };
  }
  ports::TimerFactory TimerFactory() {
    return [this] {
      auto made = std::make_unique<FakeTimer>();
      timer = made.get();
      timers.push_back(timer);
      return made;
    };
  }
  FakeTcpConnection& Last() { return *connections.back(); }
  ConnectionRecord& LastRecord() { return records.back(); }
};

}  // namespace lobbyfind::testing
