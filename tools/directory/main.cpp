// lobbyfind-directory: the web directory of running games, news and version
// information that the lobby's directory client talks to.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

#include "directory_service.h"
#include "http_front.h"
#include "redis_change_watcher.h"
#include "reachability_prober.h"
#include "redis_entry_store.h"
#include "server_options.h"
#include "service_config.h"
#include "sqlite_entry_store.h"

using namespace lobbyfind::directory_service;

namespace {

ServiceConfig LoadConfig(const std::optional<std::string>& path) {
  if (!path) return {};
  std::ifstream in(*path, std::ios::binary);
  if (!in) throw ConfigError("cannot read " + *path);
  std::ostringstream text;
  text << in.rdbuf();
  try {
    return ParseServiceConfig(text.str());
  } catch (const ConfigError& e) {
    throw ConfigError(*path + ": " + e.what());
  }
}

// Redis drops an entry this long after its time-to-live even when no
// instance is left to purge it; the margin covers instance clocks that
// differ from each other by a few seconds.
constexpr std::int64_t kRedisKeepMarginMs = 10000;

int Serve(const ServerOptions& options) {
  // SIGINT and SIGTERM are taken by one thread with sigwait, so that no
  // worker thread is interrupted and stopping happens outside a signal
  // handler. Blocked before any thread starts: threads inherit the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  const ServiceConfig config = LoadConfig(options.config_path);
  std::unique_ptr<EntryStore> store;
  std::string store_name;
  if (options.redis) {
    auto redis =
        std::make_unique<RedisEntryStore>(*options.redis, options.limits.ttl_ms + kRedisKeepMarginMs);
    store_name = "store " + redis->Name();
    try {
      redis->Ping();
    } catch (const StoreError& e) {
      // Started before Redis (or while it restarts): serve 503 until it answers.
      LogLine(std::string(e.what()) + "; answering 503 until it is reachable");
    }
    store = std::move(redis);
  } else {
    auto sqlite = std::make_unique<SqliteEntryStore>(options.db_path);
    store_name = "database " + options.db_path + " (journal " + sqlite->JournalMode() + ")";
    store = std::move(sqlite);
  }
  // The check starts before the service it reports to, so its results reach
  // the service through a pointer set once both exist.
  std::atomic<DirectoryService*> checked_service = nullptr;
  std::unique_ptr<ReachabilityProber> prober;
  if (options.check_port > 0) {
    prober = std::make_unique<ReachabilityProber>(
        ReachabilityLimits{options.limits.ttl_ms, 3000, options.limits.max_entries},
        static_cast<std::uint16_t>(options.check_port),
        [&checked_service] {
          if (auto* s = checked_service.load()) s->ListChanged();
        },
        LogLine);
    if (!prober->Start()) return 1;
  }
  DirectoryService service(*store, config, options.limits, prober.get());
  checked_service.store(&service);
  // The prober's thread is stopped before the service it calls goes away.
  struct StopCheckFirst {
    std::unique_ptr<ReachabilityProber>& prober;
    ~StopCheckFirst() { prober.reset(); }
  } stop_check_first{prober};
  HttpFront front(options, service);

  // Instances sharing a Redis learn of each other's changes from it. Its
  // thread starts with the stop signals blocked, as every thread must.
  std::unique_ptr<RedisChangeWatcher> watcher;
  if (options.redis) {
    watcher = std::make_unique<RedisChangeWatcher>(
        *options.redis, [&service] { service.ListChanged(); }, LogLine);
  }

  const int port = front.Bind();
  if (port <= 0) {
    LogLine("cannot listen on " + options.listen_host + ":" + std::to_string(options.listen_port));
    return 1;
  }
  LogLine("listening on " + options.listen_host + ":" + std::to_string(port) + ", " + store_name + ", " +
          std::to_string(config.news.size()) + " news, version " + std::to_string(config.current_version));

  std::atomic<bool> stopping = false;
  std::thread signal_thread([&] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    if (stopping.exchange(true)) return;  // woken by main below
    LogLine(std::string("stopping on ") + (signal_number == SIGINT ? "SIGINT" : "SIGTERM"));
    front.Stop();
  });
  const bool served = front.Run();
  if (!stopping.exchange(true)) pthread_kill(signal_thread.native_handle(), SIGTERM);
  signal_thread.join();
  LogLine(served ? "stopped" : "serving failed");
  return served ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  ServerOptions options;
  try {
    options = ParseServerOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const OptionsError& e) {
    std::cerr << "lobbyfind-directory: " << e.what() << "\nTry --help.\n";
    return 2;
  }
  if (options.help) {
    std::cout << UsageText();
    return 0;
  }
  try {
    return Serve(options);
  } catch (const std::exception& e) {
    LogLine(std::string("lobbyfind-directory: ") + e.what());
    return 1;
  }
}
