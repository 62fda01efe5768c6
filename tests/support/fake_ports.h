// Hand-driven ports for tests of the core, one of each for every test: timers
// that tick when told (or as fake time passes), a clock set by the test,
// TCP connections and a listener whose platform side the test plays, a UDP
// sender that records its datagrams, and a shell that records what it was
// asked to open. Nothing here touches the machine.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/clock.h"
#include "ports/notifier.h"
#include "ports/shell.h"
#include "ports/tcp_connection.h"
#include "ports/tcp_listener.h"
#include "ports/timer.h"
#include "ports/udp_sender.h"

namespace lobbyfind::test {

class FakeTimer final : public ports::Timer {
 public:
  // Setting the interval, or enabling a stopped timer, starts a new period.
  void SetInterval(std::uint32_t ms) override {
    interval = ms;
    elapsed = 0;
    ++restarts;
  }
  [[nodiscard]] std::uint32_t Interval() const override { return interval; }
  void SetEnabled(bool value) override {
    if (value && !enabled) elapsed = 0;
    enabled = value;
  }
  [[nodiscard]] bool Enabled() const override { return enabled; }
  // One elapsed interval; only an enabled timer with a slot ticks.
  void Tick() {
    elapsed = 0;
    if (enabled && OnTimer) OnTimer();
  }

  std::uint32_t interval = 0;
  bool enabled = false;
  // How often the period was restarted by SetInterval.
  int restarts = 0;
  // Fake time passed in the current period (see FakeTimers::Advance).
  std::uint64_t elapsed = 0;
};

// Makes FakeTimers and keeps a pointer to each, in creation order. The
// timers belong to whoever asked for them; Advance needs all of them alive.
struct FakeTimers {
  std::vector<FakeTimer*> made;

  ports::TimerFactory Factory() {
    return [this] {
      auto timer = std::make_unique<FakeTimer>();
      made.push_back(timer.get());
      return timer;
    };
  }
  [[nodiscard]] FakeTimer& Last() const { return *made.back(); }

  // Lets `ms` of fake time pass: every enabled timer ticks once for each
  // interval that elapses, all of them in the order of their due times.
  void Advance(std::uint64_t ms) {
    for (;;) {
      FakeTimer* next = nullptr;
      std::uint64_t wait = std::numeric_limits<std::uint64_t>::max();
      for (FakeTimer* timer : made) {
        if (!timer->enabled || timer->interval == 0) continue;
        const std::uint64_t left = timer->interval > timer->elapsed ? timer->interval - timer->elapsed : 0;
        if (left < wait) {
          wait = left;
          next = timer;
        }
      }
      if (next == nullptr || wait > ms) {
        for (FakeTimer* timer : made) {
          if (timer->enabled) timer->elapsed += ms;
        }
        return;
      }
      for (FakeTimer* timer : made) {
        if (timer->enabled) timer->elapsed += wait;
      }
      ms -= wait;
      next->Tick();  // the handler may make, restart or stop timers
    }
  }
};

// Both clocks move together unless a test sets them apart. They start on an
// ordinary afternoon and far from zero, so that differences never underflow.
class FakeClock final : public ports::Clock {
 public:
  [[nodiscard]] std::int32_t MsSinceMidnight() const override { return ms_since_midnight; }
  [[nodiscard]] std::int64_t MonotonicMs() const override { return monotonic_ms; }
  void Advance(std::int64_t ms) {
    monotonic_ms += ms;
    ms_since_midnight = static_cast<std::int32_t>((ms_since_midnight + ms) % 86400000);
  }
  std::int32_t ms_since_midnight = ports::MsOfDay(14, 0, 0, 0);
  std::int64_t monotonic_ms = 1000000;
};

// What happened to one connection; kept after the connection is gone.
struct ConnectionRecord {
  std::string host;
  std::uint16_t port = 0;
  int connect_calls = 0;
  std::string written;
  bool closed_by_owner = false;
  bool destroyed = false;
};

// A TCP connection whose platform side the test plays: it decides when the
// connection comes up, what arrives, when it breaks, and reads what was sent.
class FakeTcpConnection final : public ports::TcpConnection {
 public:
  // A client connection, not yet connecting.
  FakeTcpConnection() = default;
  // A connection accepted from `peer`: already open.
  explicit FakeTcpConnection(std::string peer) : connected(true), peer_(std::move(peer)) {}
  ~FakeTcpConnection() override { record_->destroyed = true; }

  void Connect(const std::string& host, std::uint16_t port) override {
    record_->host = host;
    record_->port = port;
    ++record_->connect_calls;
    opening_ = true;
  }
  void Write(std::string_view bytes) override {
    if (connected) record_->written.append(bytes);
  }
  void Close() override {
    record_->closed_by_owner = true;
    connected = false;
    opening_ = false;
  }
  [[nodiscard]] bool IsConnected() const override { return connected; }
  [[nodiscard]] std::string PeerAddress() const override { return peer_; }
  [[nodiscard]] std::optional<std::int64_t> TakeArrivalUs() override { return std::exchange(arrival_us, std::nullopt); }

  // --- the platform's side ---
  // When the system received the next bytes (MonotonicUs), as a platform
  // that stamps arrivals tells it; given once.
  std::optional<std::int64_t> arrival_us;
  // The connection comes up.
  void Open() {
    opening_ = false;
    connected = true;
    if (OnConnected) OnConnected();
  }
  // Bytes arrive. The results of these three tell whether the connection
  // outlived its own notification (it must, whatever the handler did).
  bool Deliver(std::string_view bytes) {
    const auto record = record_;
    if (OnData) OnData(bytes);
    return !record->destroyed;
  }
  // The peer hangs up without an error.
  bool PeerCloses() {
    const auto record = record_;
    const bool was_open = connected || opening_;
    connected = false;
    opening_ = false;
    if (was_open && OnClosed) OnClosed();
    return !record->destroyed;
  }
  // Refused, reset, not resolved: the error, then the close, as the port
  // promises for a connection that was open or opening.
  bool Fail(const std::string& reason) {
    const auto record = record_;
    const bool was_open = connected || opening_;
    connected = false;
    opening_ = false;
    if (OnError) OnError(reason);
    if (was_open && !record->destroyed && OnClosed) OnClosed();
    return !record->destroyed;
  }

  // The lines written so far (split at CR LF), taken out of the record.
  std::vector<std::string> TakeLines() {
    std::string& written = record_->written;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = written.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(written.substr(start, end - start));
    }
    written.erase(0, start);
    return lines;
  }

  [[nodiscard]] const std::string& written() const { return record_->written; }
  [[nodiscard]] bool closed() const { return record_->closed_by_owner; }
  [[nodiscard]] int connect_calls() const { return record_->connect_calls; }
  // Stays readable after the owner has destroyed the connection.
  [[nodiscard]] const std::shared_ptr<ConnectionRecord>& record() const { return record_; }

  bool connected = false;

 private:
  std::shared_ptr<ConnectionRecord> record_ = std::make_shared<ConnectionRecord>();
  std::string peer_ = "127.0.0.1";
  bool opening_ = false;
};

// Makes client connections and timers and keeps a view of everything made.
// Drive a connection only while its record says it is not destroyed.
struct FakeNetwork {
  std::vector<FakeTcpConnection*> connections;
  std::vector<std::shared_ptr<ConnectionRecord>> records;
  FakeTimers timers;

  ports::TcpConnectionFactory ConnectionFactory() {
    return [this] {
      auto connection = std::make_unique<FakeTcpConnection>();
      connections.push_back(connection.get());
      records.push_back(connection->record());
      return connection;
    };
  }
  ports::TimerFactory TimerFactory() { return timers.Factory(); }

  [[nodiscard]] FakeTcpConnection& Last() const { return *connections.back(); }
  [[nodiscard]] ConnectionRecord& LastRecord() const { return *records.back(); }
  [[nodiscard]] FakeTimer& LastTimer() const { return timers.Last(); }
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

  // A peer connects; the returned pointer stays valid while the connection's
  // record says it is not destroyed.
  FakeTcpConnection* Connect(const std::string& peer) {
    auto connection = std::make_unique<FakeTcpConnection>(peer);
    FakeTcpConnection* raw = connection.get();
    OnAccepted(std::move(connection));
    return raw;
  }

  bool refuse = false;
  bool listening = false;
  int listen_calls = 0;
  std::uint16_t listening_port = 0;
};

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
  // With `away` set, SendToEachAway takes a list as a sender with a thread
  // of its own would; the test reports its runs through `departed`.
  bool SendToEachAway(std::vector<std::string> hosts, std::uint16_t port, std::string datagram, const ports::Clock&,
                      Departed on_departed) override {
    if (!away) return false;
    away_hosts = std::move(hosts);
    away_port = port;
    away_datagram = std::move(datagram);
    departed = std::move(on_departed);
    ++away_starts;
    return true;
  }
  // Taken while a list is under way and `more_away` is set.
  bool SendMoreAway(std::vector<std::string> hosts) override {
    if (!more_away || !departed) return false;
    away_hosts.insert(away_hosts.end(), hosts.begin(), hosts.end());
    return true;
  }
  void StopSendingAway() override {
    ++stops;
    departed = nullptr;
  }
  std::vector<Datagram> sent;
  std::set<std::string> refused;
  bool away = false;
  bool more_away = true;
  int away_starts = 0;
  std::vector<std::string> away_hosts;
  std::uint16_t away_port = 0;
  std::string away_datagram;
  Departed departed;
  int stops = 0;
};

class FakeShell final : public ports::Shell {
 public:
  struct Call {
    std::string target;
    std::string parameters;
    std::string directory;
    friend bool operator==(const Call&, const Call&) = default;
  };
  bool Open(const std::string& target, const std::string& parameters,
            const std::string& directory) override {
    calls.push_back({target, parameters, directory});
    return result;
  }
  std::vector<Call> calls;
  bool result = true;
};

// A notification service that records what it was asked to show; the test
// says whether the window is in front.
class FakeNotifier final : public ports::Notifier {
 public:
  struct Shown {
    std::string title;
    std::string text;
    friend bool operator==(const Shown&, const Shown&) = default;
  };
  [[nodiscard]] bool WindowActive() const override { return active; }
  void Notify(const std::string& title, const std::string& text) override { shown.push_back({title, text}); }
  bool active = false;
  std::vector<Shown> shown;
};

}  // namespace lobbyfind::test
