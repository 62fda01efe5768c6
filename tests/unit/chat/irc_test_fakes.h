// Stand-ins for the connection and timer ports, driven by the chat tests:
// the test opens the connection, delivers bytes and fires the timer itself.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ports/tcp_connection.h"
#include "ports/timer.h"

namespace lobbyfind::chat::testing {

class FakeTcpConnection final : public ports::TcpConnection {
 public:
  void Connect(const std::string& h, std::uint16_t p) override {
    host = h;
    port = p;
    connect_calls++;
  }
  void Write(std::string_view bytes) override {
    if (connected) written.append(bytes);
  }
  void Close() override {
    connected = false;
    closed = true;
  }
  [[nodiscard]] bool IsConnected() const override { return connected; }
  [[nodiscard]] std::string PeerAddress() const override { return "127.0.0.1"; }

  // What the platform would do.
  void Open() {
    connected = true;
    if (OnConnected) OnConnected();
  }
  void Receive(std::string_view bytes) {
    if (OnData) OnData(bytes);
  }
  void Fail(const std::string& reason) {
    const bool was_connected = connected;
    connected = false;
    if (OnError) OnError(reason);
    if (was_connected && OnClosed) OnClosed();
  }

  // The server hangs up without an error.
  void PeerCloses() {
    const bool was_connected = connected;
    connected = false;
    if (was_connected && OnClosed) OnClosed();
  }

  // The lines written so far (split at CR LF), emptied by each call.
  std::vector<std::string> TakeLines() {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = written.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(written.substr(start, end - start));
    }
    written.erase(0, start);
    return lines;
  }

  std::string host;
  std::uint16_t port = 0;
  int connect_calls = 0;
  bool connected = false;
  bool closed = false;
  std::string written;
};

class FakeTimer final : public ports::Timer {
 public:
  void SetInterval(std::uint32_t ms) override { interval = ms; }
  [[nodiscard]] std::uint32_t Interval() const override { return interval; }
  void SetEnabled(bool e) override { enabled = e; }
  [[nodiscard]] bool Enabled() const override { return enabled; }
  // One elapsed interval, if the timer runs.
  void Elapse() {
    if (enabled && OnTimer) OnTimer();
  }

  std::uint32_t interval = 0;
  bool enabled = false;
};

// Factories that hand out fakes and keep a pointer to each for the test.
struct FakePorts {
  std::vector<FakeTcpConnection*> connections;
  FakeTimer* timer = nullptr;

  ports::TcpConnectionFactory Connections() {
    return [this] {
      auto c = std::make_unique<FakeTcpConnection>();
      connections.push_back(c.get());
      return c;
    };
  }
  ports::TimerFactory Timers() {
    return [this] {
      auto t = std::make_unique<FakeTimer>();
      timer = t.get();
      return t;
    };
  }
  FakeTcpConnection& Last() { return *connections.back(); }
};

}  // namespace lobbyfind::chat::testing
