#include "http_front.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>

#include "client_address.h"
#include "reply_document.h"

namespace lobbyfind::directory_service {

namespace {

constexpr const char* kDocumentType = "text/plain";
constexpr const char* kErrorType = "text/plain";
constexpr const char* kForwardedFor = "X-Forwarded-For";
constexpr std::size_t kMaxBodyBytes = 1024;  // requests are GETs; a body is never needed
constexpr std::size_t kKeepAliveRequests = 100;
// cpp-httplib listens with a backlog of 5, too few for a burst of lobbies
// connecting at once; the listening socket is given a longer one.
constexpr int kListenBacklog = 1024;

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Request targets come from anyone; control bytes must not reach the log.
std::string Printable(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || c == '"' || c == '\\') {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string ForwardedFor(const httplib::Request& req) {
  std::string joined;
  const auto count = req.get_header_value_count(kForwardedFor);
  for (std::size_t i = 0; i < count; ++i) {
    if (!joined.empty()) joined += ',';
    joined += req.get_header_value(kForwardedFor, i);
  }
  return joined;
}

// Replies are written by a content provider, whose length cpp-httplib keeps
// beside the (then empty) body.
std::size_t BodySize(const httplib::Response& res) {
  return res.body.empty() ? res.content_length_ : res.body.size();
}

}  // namespace

void LogLine(const std::string& text) {
  const std::string line = UtcTimestamp(NowMs()) + " " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

HttpFront::HttpFront(const ServerOptions& options, DirectoryService& service)
    : options_(options), service_(service), server_(std::make_unique<httplib::Server>()) {
  auto& s = *server_;
  const int threads = options.threads;
  s.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
  s.set_read_timeout(options.timeout_s, 0);
  s.set_write_timeout(options.timeout_s, 0);
  s.set_keep_alive_timeout(options.timeout_s);
  s.set_keep_alive_max_count(kKeepAliveRequests);
  s.set_payload_max_length(kMaxBodyBytes);
  s.set_socket_options([this](socket_t fd) {
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listen_fd_ = fd;
  });

  s.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    ServiceRequest request{ClientAddress(req.remote_addr, ForwardedFor(req), options_.trusted_proxies),
                           req.target, NowMs()};
    ServiceReply reply;
    try {
      reply = service_.Handle(request);
    } catch (const StoreError& e) {
      LogLine(std::string("storage failure: ") + e.what());
      reply = {503, std::make_shared<const std::string>("storage failure, try again later\n"), false};
      res.set_header("Retry-After", "1");
    }
    res.status = reply.status;
    // The body is written straight from the shared document: no copy of the
    // server list per request.
    const auto size = reply.body->size();
    res.set_content_provider(
        size, reply.document ? kDocumentType : kErrorType,
        [body = std::move(reply.body)](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          return sink.write(body->data() + offset, length);
        });
    // The lobby reads a reply up to the close of the connection; an HTTP/1.0
    // request without keep-alive gets exactly that.
    if (req.version == "HTTP/1.0" && req.get_header_value("Connection") != "Keep-Alive") {
      res.set_header("Connection", "close");
    }
  });

  s.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    const std::string client = ClientAddress(req.remote_addr, ForwardedFor(req), options_.trusted_proxies);
    const std::string line = client + " \"" + Printable(req.method) + " " + Printable(req.target) + " " +
                             Printable(req.version) + "\" " + std::to_string(res.status) + " " +
                             std::to_string(BodySize(res));
    std::lock_guard lock(log_mutex_);
    LogLine(line);
  });
}

HttpFront::~HttpFront() = default;

int HttpFront::Bind() {
  auto& s = *server_;
  int port = options_.listen_port;
  if (port == 0) {
    port = s.bind_to_any_port(options_.listen_host);
  } else if (!s.bind_to_port(options_.listen_host, port)) {
    port = -1;
  }
  if (port > 0 && listen_fd_ >= 0) ::listen(listen_fd_, kListenBacklog);
  return port;
}

bool HttpFront::Run() { return server_->listen_after_bind(); }

void HttpFront::Stop() { server_->stop(); }

}  // namespace lobbyfind::directory_service
