// Test helpers for the directory service: runs the real lobbyfind-directory
// program on a free loopback port in a temporary directory, and speaks raw
// HTTP to it over real sockets from any 127.x.y.z source address.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <memory>
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

// The version and news file every fixture server reads: current version 4
// with two changes, and three news entries written out of date order.
inline constexpr const char* kServiceConfig =
    "current-version = 4\n"
    "update-url = http://example.org/lobbyfind/\n"
    "[change]\nversion = 4\ntime = 2024-05-01\ntext = Hosting announces the map\n"
    "[change]\nversion = 3\ntime = 2023-01-01\ntext = Older change\n"
    "[news]\ntime = 2024-02-01\nauthor = Bob\ntitle = Second\ncontent = two\n"
    "[news]\ntime = 2024-03-01 20:00\nauthor = Anna\ntitle = Third\ncontent = three\n"
    "[news]\ntime = 2024-01-01\nauthor = Carl\ntitle = First\ncontent = one\n";

// Runs one real server per test, with its database, configuration and log
// in the test's own temporary directory.
class DirectoryServerTest : public ::testing::Test {
 protected:
  // Starts (or, after Stop, restarts) the server with kServiceConfig plus `args`.
  void Start(const std::vector<std::string>& args = {});
  [[nodiscard]] int Port() const { return server_->Port(); }
  // The SERVERS reply body, asked for from 127.0.0.1.
  [[nodiscard]] std::string Servers() const;
  // Sends `query` as the lobby does from `source` and expects a 200.
  void Ok(const std::string& query, const std::string& source = "127.0.0.1") const;

  TempDir dir_;
  std::unique_ptr<DirectoryServer> server_;
};

}  // namespace lobbyfind::directory_service::testing
