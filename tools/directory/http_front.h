// The HTTP side of lobbyfind-directory: a cpp-httplib server that hands every
// GET to the DirectoryService (from many worker threads at once), logs one
// line per request, and enforces the connection limits and time-outs.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "directory_service.h"
#include "server_options.h"

namespace httplib {
class Server;
}

namespace lobbyfind::directory_service {

class HttpFront {
 public:
  HttpFront(const ServerOptions& options, DirectoryService& service);
  ~HttpFront();
  HttpFront(const HttpFront&) = delete;
  HttpFront& operator=(const HttpFront&) = delete;

  // Binds the listening socket; returns the port (useful with port 0), or -1.
  int Bind();
  // Serves until Stop(); returns false when serving failed.
  bool Run();
  // May be called from any thread.
  void Stop();

 private:
  const ServerOptions& options_;
  DirectoryService& service_;
  std::unique_ptr<httplib::Server> server_;
  std::mutex log_mutex_;
  int listen_fd_ = -1;
};

// Writes one line to standard error, with a UTC time stamp in front.
void LogLine(const std::string& text);

}  // namespace lobbyfind::directory_service
