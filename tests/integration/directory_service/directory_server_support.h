// Test helpers for the directory service: runs the real lobbyfind-directory
// program on a free loopback port in a temporary directory, and speaks raw
// HTTP to it over real sockets from any 127.x.y.z source address.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace lobbyfind::directory_service::testing {

// A temporary directory removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] std::string File(const std::string& name) const { return path_ + "/" + name; }
  void Write(const std::string& name, const std::string& text) const;

 private:
  std::string path_;
};

class DirectoryServer {
 public:
  // Starts the program with --listen 127.0.0.1:0 plus `args`, its standard
  // error going to `log_path`, and waits until it reports its port.
  DirectoryServer(const std::vector<std::string>& args, std::string log_path);
  ~DirectoryServer();
  DirectoryServer(const DirectoryServer&) = delete;
  DirectoryServer& operator=(const DirectoryServer&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  [[nodiscard]] std::string Log() const;
  // Sends SIGTERM and waits; returns the exit status, or -1 on a signal death.
  int Stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string log_path_;
};

struct HttpReply {
  int status = 0;          // 0: no reply could be read
  std::string head;        // status line and header lines
  std::string body;
  bool closed = false;     // the server closed the connection after the reply
};

// The request bytes the lobby sends: HTTP/1.0, its two Accept lines and the
// form content type, no Connection header. The reply is read to the close.
[[nodiscard]] HttpReply LobbyGet(int port, const std::string& query, const std::string& source = "127.0.0.1");

// A request with any text in place of the target and extra header lines.
[[nodiscard]] HttpReply RawGet(int port, const std::string& request_bytes, const std::string& source = "127.0.0.1");

// Several HTTP/1.1 requests on one connection; the reply to each is read by
// its Content-Length. `closed` of the last reply tells whether the server hung up.
[[nodiscard]] std::vector<HttpReply> KeepAliveGets(int port, const std::vector<std::string>& targets);

// Connects and sends nothing; returns the seconds until the server hangs up
// (or a large number if it does not within `limit_s`).
[[nodiscard]] double SecondsUntilIdleClose(int port, double limit_s);

[[nodiscard]] std::string ScriptTarget(const std::string& query);

}  // namespace lobbyfind::directory_service::testing
