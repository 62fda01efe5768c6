// The reachability check on the network: sends the game's session request
// over UDP to port 47624 of an announcing address and takes the game's
// answer on a TCP port of its own, on a thread of its own. The rules of
// what may be sent are ReachabilityLedger's.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "reachability.h"

namespace lobbyfind::directory_service {

class ReachabilityProber : public ReachabilityCheck {
 public:
  using Log = std::function<void(const std::string&)>;

  // `changed` runs on the prober's thread whenever a shown result changes.
  ReachabilityProber(ReachabilityLimits limits, std::uint16_t answer_port, std::function<void()> changed, Log log);
  ~ReachabilityProber() override;
  ReachabilityProber(const ReachabilityProber&) = delete;
  ReachabilityProber& operator=(const ReachabilityProber&) = delete;

  // Opens the sockets and starts the thread; false (logged) when the
  // answer port cannot be had.
  [[nodiscard]] bool Start();

  void Announced(const std::string& ip, int port, std::int64_t now_ms) override;
  [[nodiscard]] Reachability Result(const std::string& ip, int port) override;
  // Connects to TCP port 2300 of `ip` (the lobby's answer port) and closes
  // at once, sending nothing; on the caller's thread.
  [[nodiscard]] Reachability CheckPort(const std::string& ip, std::int64_t now_ms) override;

 private:
  void Run();
  void TakeAnswer();

  const std::uint16_t answer_port_;
  const std::string request_;
  const std::function<void()> changed_;
  const Log log_;
  std::mutex mutex_;
  ReachabilityLedger ledger_;
  const int connect_wait_ms_;
  PortCheckLedger port_checks_;
  int udp_ = -1;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace lobbyfind::directory_service
