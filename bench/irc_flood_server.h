// A chat server on loopback for the flood benchmarks of both editions: it
// logs one client in (welcome, join, names) and, when told, sends channel
// lines at a set rate.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "bench_figures.h"

namespace lobbyfind::bench {

class IrcFloodServer {
#ifdef _WIN32
  using Socket = SOCKET;
  static constexpr Socket kNone = INVALID_SOCKET;
  static constexpr int kNoSignal = 0;
  static constexpr int kStreamFlags = 0;
  static void Close(Socket s) { closesocket(s); }
  // Winsock leaves accept() waiting on a listener that is shut down; only
  // closing it ends the wait.
  static void Interrupt(Socket s) { closesocket(s); }
#else
  using Socket = int;
  static constexpr Socket kNone = -1;
  static constexpr int kNoSignal = MSG_NOSIGNAL;
  static constexpr int kStreamFlags = SOCK_CLOEXEC;
  static void Close(Socket s) { close(s); }
  static void Interrupt(Socket s) { shutdown(s, SHUT_RDWR); }
#endif

 public:
  IrcFloodServer(int lines, int lines_per_second) : lines_(lines), per_second_(lines_per_second) {
    listener_ = socket(AF_INET, SOCK_STREAM | kStreamFlags, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~IrcFloodServer() {
    stopping_ = true;
    Interrupt(listener_);
    if (client_ != kNone) shutdown(client_, 2);  // both directions
    if (thread_.joinable()) thread_.join();
    if (client_ != kNone) Close(client_);
#ifndef _WIN32
    Close(listener_);
#endif
  }
  [[nodiscard]] std::uint16_t Port() const { return port_; }
  // The text the log shows for line `i` of the flood.
  static std::string Shown(int i) { return "flooder : flood line " + std::to_string(i); }
  void Go() { go_ = true; }
  // Lines per second actually sent (the client's reading may hold it back).
  [[nodiscard]] double SentRate() const { return sent_rate_; }

 private:
  bool SendAll(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size() && !stopping_) {
      const auto n = send(client_, bytes.data() + at, static_cast<int>(bytes.size() - at), kNoSignal);
      if (n <= 0) return false;
      at += static_cast<std::size_t>(n);
    }
    return at == bytes.size();
  }
  // The next line from the client, or "" when it closed.
  std::string ReadLine() {
    for (;;) {
      if (const auto end = pending_.find("\r\n"); end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 2);
        return line;
      }
      char buffer[4096];
      const auto n = recv(client_, buffer, sizeof buffer, 0);
      if (n <= 0) return {};
      pending_.append(buffer, static_cast<std::size_t>(n));
    }
  }
  void Serve() {
    client_ = accept(listener_, nullptr, nullptr);
    if (client_ == kNone || !SendAll(":srv NOTICE AUTH :*** Looking up your hostname\r\n")) return;
    std::string nick = "bencher";
    for (std::string line = ReadLine(); !line.starts_with("USER "); line = ReadLine()) {
      if (line.empty() && stopping_) return;
      if (line.starts_with("NICK ")) nick = line.substr(5);
    }
    if (!SendAll(":srv 001 " + nick + " :Welcome\r\n:srv 376 " + nick + " :End of MOTD command\r\n")) return;
    for (std::string line = ReadLine(); !line.starts_with("JOIN "); line = ReadLine()) {
      if (line.empty() && stopping_) return;
    }
    if (!SendAll(":" + nick + "!u@h JOIN :#lobbyfind\r\n:srv 353 " + nick + " = #lobbyfind :" + nick +
                 " flooder\r\n:srv 366 " + nick + " #lobbyfind :End of NAMES list\r\n")) {
      return;
    }
    while (!go_ && !stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Paced: each millisecond the lines due by then, in one write.
    const double start = NowMs();
    int sent = 0;
    while (sent < lines_ && !stopping_) {
      const int due = std::min(lines_, static_cast<int>((NowMs() - start) * per_second_ / 1000) + 1);
      std::string burst;
      for (; sent < due; ++sent) {
        burst += ":flooder!f@h PRIVMSG #lobbyfind :flood line " + std::to_string(sent) + "\r\n";
      }
      if (!burst.empty() && !SendAll(burst)) return;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    sent_rate_ = lines_ * 1000.0 / (NowMs() - start);
    while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  const int lines_;
  const int per_second_;
  Socket listener_ = kNone;
  std::atomic<Socket> client_{kNone};
  std::uint16_t port_ = 0;
  std::string pending_;
  std::atomic<bool> go_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<double> sent_rate_{0};
  std::thread thread_;
};

}  // namespace lobbyfind::bench
