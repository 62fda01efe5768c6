#include "directory_server_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace lobbyfind::directory_service::testing {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kScript = "/Vexnet/lobbyfind/webinterface.php";

class Socket {
 public:
  Socket(int port, const std::string& source) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    if (fd_ < 0) throw std::runtime_error("socket");
    timeval tv{10, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) throw std::runtime_error("bind " + source);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) throw std::runtime_error("connect");
  }
  ~Socket() { ::close(fd_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  void Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) throw std::runtime_error("send");
      sent += static_cast<std::size_t>(n);
    }
  }
  // Appends what arrives to `buffer`; false on close (or time-out, error).
  bool Receive(std::string& buffer) {
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

 private:
  int fd_;
};

// Splits "head\r\n\r\nbody" and reads the status code.
HttpReply Split(const std::string& bytes) {
  HttpReply reply;
  const auto end = bytes.find("\r\n\r\n");
  if (end == std::string::npos) return reply;
  reply.head = bytes.substr(0, end);
  reply.body = bytes.substr(end + 4);
  std::istringstream status_line(reply.head);
  std::string version;
  status_line >> version >> reply.status;
  return reply;
}

std::size_t ContentLength(const std::string& head) {
  static const std::regex pattern("\r\ncontent-length: *([0-9]+)", std::regex::icase);
  std::smatch m;
  return std::regex_search(head, m, pattern) ? std::stoul(m[1]) : 0;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lobbyfind-directory-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;  // a leftover temp dir is not worth failing a test over
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::Write(const std::string& name, const std::string& text) const {
  std::ofstream(File(name), std::ios::binary) << text;
}

DirectoryServer::DirectoryServer(const std::vector<std::string>& args, std::string log_path)
    : log_path_(std::move(log_path)) {
  std::vector<std::string> argv_text = {LOBBYFIND_DIRECTORY_BINARY, "--listen", "127.0.0.1:0"};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log_path_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv_text[0]);

  // The log may already hold the lines of an earlier run on the same file;
  // the newest "listening on" line is this run's.
  static const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+)");
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  const std::size_t earlier = Log().size();
  while (Clock::now() < deadline) {
    const std::string log = Log().substr(earlier);
    std::smatch m;
    if (std::regex_search(log, m, listening)) {
      port_ = std::stoi(m[1]);
      return;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("directory server exited at start: " + log);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Stop();
  throw std::runtime_error("directory server did not report its port");
}

DirectoryServer::~DirectoryServer() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string DirectoryServer::Log() const {
  std::ifstream in(log_path_, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int DirectoryServer::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ScriptTarget(const std::string& query) { return std::string(kScript) + "?" + query; }

HttpReply RawGet(int port, const std::string& request_bytes, const std::string& source) {
  Socket socket(port, source);
  socket.Send(request_bytes);
  std::string bytes;
  while (socket.Receive(bytes)) {
  }
  HttpReply reply = Split(bytes);
  reply.closed = true;  // Receive only stops at the close (or the 10 s time-out, which fails the body checks)
  return reply;
}

HttpReply LobbyGet(int port, const std::string& query, const std::string& source) {
  return RawGet(port,
                "GET " + ScriptTarget(query) +
                    " HTTP/1.0\r\n"
                    "Host: 127.0.0.1\r\n"
                    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                    "Content-type: application/x-www-form-urlencoded\r\n"
                    "\r\n",
                source);
}

std::vector<HttpReply> KeepAliveGets(int port, const std::vector<std::string>& targets) {
  Socket socket(port, "127.0.0.1");
  std::vector<HttpReply> replies;
  std::string bytes;
  for (const auto& target : targets) {
    socket.Send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    HttpReply reply;
    while (true) {
      reply = Split(bytes);
      if (reply.status != 0 && reply.body.size() >= ContentLength(reply.head)) break;
      if (!socket.Receive(bytes)) {
        reply.closed = true;
        break;
      }
    }
    const std::size_t used = reply.head.size() + 4 + ContentLength(reply.head);
    reply.body = reply.body.substr(0, ContentLength(reply.head));
    bytes.erase(0, std::min(used, bytes.size()));
    replies.push_back(reply);
  }
  return replies;
}

void DirectoryServerTest::Start(const std::vector<std::string>& args) {
  dir_.Write("directory.ini", kServiceConfig);
  std::vector<std::string> all = {"--db", dir_.File("directory.db"), "--config", dir_.File("directory.ini")};
  all.insert(all.end(), args.begin(), args.end());
  server_ = std::make_unique<DirectoryServer>(all, dir_.File("server.log"));
}

std::string DirectoryServerTest::Servers() const { return LobbyGet(Port(), "GIVEME=SERVERS").body; }

void DirectoryServerTest::Ok(const std::string& query, const std::string& source) const {
  EXPECT_EQ(LobbyGet(Port(), query, source).status, 200) << query;
}

double SecondsUntilIdleClose(int port, double limit_s) {
  Socket socket(port, "127.0.0.1");
  const auto start = Clock::now();
  std::string bytes;
  while (socket.Receive(bytes)) {
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return seconds < limit_s ? seconds : 1e9;
}

}  // namespace lobbyfind::directory_service::testing
