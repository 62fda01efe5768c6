// Announces the stand-in game host to a directory service the way a hosting
// lobby does: an ADDSERVER request every few seconds, sent from the host's own
// address (the directory lists the address a request comes from), and one
// DELSERVER when it stops. Blocking sockets with short time-outs: the host
// has nothing else to do while a request is on its way.
#pragma once

#include <cstdint>
#include <string>

namespace lobbyfind::gamehost {

struct AnnounceOptions {
  std::string directory;  // "host[:port]"; empty: no announcements
  std::string name = "lobbyfind-gamehost";
  std::string map;
  std::string version = "4";
  int interval_ms = 5000;
};

class Announcer {
 public:
  Announcer(AnnounceOptions options, std::string address, std::uint16_t game_port);

  // Sends an ADDSERVER when one is due; call often.
  void Tick(std::int64_t now_ms);
  // Sends the DELSERVER, once, if anything was announced.
  void Withdraw();

 private:
  // One HTTP/1.0 GET from the host's address; prints the reply's status line.
  void Send(const std::string& query);

  AnnounceOptions options_;
  std::string address_;
  std::uint16_t game_port_;
  std::int64_t next_ms_ = 0;
  bool announced_ = false;
};

}  // namespace lobbyfind::gamehost
