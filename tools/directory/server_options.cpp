#include "server_options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace lobbyfind::directory_service {

namespace {

long long Integer(const std::string& option, const std::string& text, long long min, long long max) {
  long long n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || n < min || n > max) {
    throw OptionsError(option + " needs a whole number from " + std::to_string(min) + " to " +
                       std::to_string(max) + ", not \"" + text + "\"");
  }
  return n;
}

double Rate(const std::string& option, const std::string& text) {
  double d = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(d) || d < 0) {
    throw OptionsError(option + " needs a number of 0 or more, not \"" + text + "\"");
  }
  return d;
}

// "ADDRESS:PORT", "[IPv6]:PORT" or ":PORT" (all addresses).
void Listen(const std::string& text, ServerOptions& options) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos) throw OptionsError("--listen needs ADDRESS:PORT, not \"" + text + "\"");
  std::string host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.empty()) host = "0.0.0.0";
  options.listen_host = host;
  options.listen_port = static_cast<int>(Integer("--listen", text.substr(colon + 1), 0, 65535));
}

// "redis://HOST:PORT[/DB]", HOST a name, an IPv4 or a bracketed IPv6 address.
RedisAddress Redis(const std::string& text) {
  constexpr std::string_view kScheme = "redis://";
  const auto bad = [&] { return OptionsError("--store needs redis://HOST:PORT[/DB], not \"" + text + "\""); };
  if (text.rfind(kScheme, 0) != 0) throw bad();
  std::string rest = text.substr(kScheme.size());
  RedisAddress address;
  if (const auto slash = rest.find('/'); slash != std::string::npos) {
    address.db = static_cast<int>(Integer("--store database", rest.substr(slash + 1), 0, 1000000));
    rest.resize(slash);
  }
  const auto colon = rest.rfind(':');
  if (colon == std::string::npos || (rest.front() == '[' && rest[colon - 1] != ']')) throw bad();
  address.host = rest.substr(0, colon);
  if (address.host.size() >= 2 && address.host.front() == '[' && address.host.back() == ']') {
    address.host = address.host.substr(1, address.host.size() - 2);
  }
  if (address.host.empty()) throw bad();
  address.port = static_cast<int>(Integer("--store port", rest.substr(colon + 1), 1, 65535));
  return address;
}

}  // namespace

ServerOptions ParseServerOptions(const std::vector<std::string>& args) {
  ServerOptions o;
  bool db_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      o.help = true;
      continue;
    }
    if (i + 1 >= args.size()) throw OptionsError(name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown option " + name);
    const std::string& value = args[++i];
    if (name == "--listen") {
      Listen(value, o);
    } else if (name == "--db") {
      if (value.empty()) throw OptionsError("--db needs a path");
      o.db_path = value;
      db_given = true;
    } else if (name == "--store") {
      o.redis = Redis(value);
    } else if (name == "--config") {
      o.config_path = value;
    } else if (name == "--ttl") {
      o.limits.ttl_ms = Integer(name, value, 1, 86400) * 1000;
    } else if (name == "--max-per-ip") {
      o.limits.max_per_ip = static_cast<std::size_t>(Integer(name, value, 1, 1000000));
    } else if (name == "--max-entries") {
      o.limits.max_entries = static_cast<std::size_t>(Integer(name, value, 1, 10000000));
    } else if (name == "--max-query") {
      o.limits.max_query_bytes = static_cast<std::size_t>(Integer(name, value, 64, 8000));
    } else if (name == "--rate") {
      o.limits.rate_per_second = Rate(name, value);
    } else if (name == "--burst") {
      o.limits.rate_burst = static_cast<double>(Integer(name, value, 1, 1000000));
    } else if (name == "--check-port") {
      o.check_port = static_cast<int>(Integer(name, value, 1, 65535));
    } else if (name == "--timeout") {
      o.timeout_s = static_cast<int>(Integer(name, value, 1, 3600));
    } else if (name == "--threads") {
      o.threads = static_cast<int>(Integer(name, value, 1, 4096));
    } else if (name == "--trusted-proxy") {
      o.trusted_proxies.push_back(value);
    } else {
      throw OptionsError("unknown option " + name);
    }
  }
  if (db_given && o.redis) throw OptionsError("--db and --store name two different stores; give one");
  return o;
}

std::string UsageText() {
  return R"(Usage: lobbyfind-directory [OPTIONS]

The web directory of game servers, news and version information for the
lobbyfind lobby. Answers GET /Vexnet/lobbyfind/webinterface.php?GIVEME=...

Options:
  --listen ADDRESS:PORT  where to listen (default 127.0.0.1:8080; port 0 picks
                         a free port; [::]:PORT for IPv6)
  --db PATH              SQLite database of announced servers
                         (default lobbyfind-directory.db; ":memory:" keeps
                         nothing across restarts)
  --store redis://HOST:PORT[/DB]
                         keep the servers in Redis instead, shared by every
                         instance that names the same Redis
  --config PATH          version and news file (default: version 4, no news)
  --ttl SECONDS          an announcement not refreshed for this long is dropped
                         (default 30)
  --max-per-ip N         servers one address may list at once (default 4)
  --max-entries N        servers listed in all (default 10000)
  --max-query BYTES      longest query accepted (default 512)
  --rate N               requests per second one address may send on average;
                         0 switches the limit off (default 5)
  --burst N              requests one address may send at once (default 20)
  --check-port PORT      check that each announced game answers from the
                         internet: send it the game's session request on UDP
                         port 47624 and take its answer on this TCP port
                         (usually 2300); the list tells the result in
                         <reachable>yes|no</reachable> (default: no check)
  --timeout SECONDS      time to read a request or write a reply, and the
                         idle time of a kept-alive connection (default 5)
  --threads N            worker threads; each open connection holds one
                         (default 128)
  --trusted-proxy ADDR   believe X-Forwarded-For from this proxy address;
                         repeat for several proxies (default: none)
  -h, --help             show this text

One log line per request goes to standard error. SIGINT and SIGTERM stop the
service cleanly.
)";
}

}  // namespace lobbyfind::directory_service
