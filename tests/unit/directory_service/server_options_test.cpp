#include "server_options.h"

#include <gtest/gtest.h>

namespace lobbyfind::directory_service {
namespace {

TEST(ParseServerOptions, DefaultsWithoutArguments) {
  const auto o = ParseServerOptions({});
  EXPECT_EQ(o.listen_host, "127.0.0.1");
  EXPECT_EQ(o.listen_port, 8080);
  EXPECT_EQ(o.db_path, "lobbyfind-directory.db");
  EXPECT_FALSE(o.redis);
  EXPECT_FALSE(o.config_path);
  EXPECT_EQ(o.limits.ttl_ms, 30000);
  EXPECT_EQ(o.limits.max_per_ip, 4u);
  EXPECT_TRUE(o.trusted_proxies.empty());
  EXPECT_FALSE(o.help);
}

TEST(ParseServerOptions, ReadsEveryOption) {
  const auto o = ParseServerOptions({"--listen", "0.0.0.0:80", "--db", ":memory:", "--config", "d.ini", "--ttl",
                                     "2", "--max-per-ip", "2", "--max-entries", "50", "--max-query", "300",
                                     "--rate", "0.5", "--burst", "3", "--timeout", "9", "--threads", "8",
                                     "--trusted-proxy", "10.0.0.1", "--trusted-proxy", "::1", "--check-port", "2300"});
  EXPECT_EQ(o.listen_host, "0.0.0.0");
  EXPECT_EQ(o.listen_port, 80);
  EXPECT_EQ(o.db_path, ":memory:");
  EXPECT_EQ(o.config_path, "d.ini");
  EXPECT_EQ(o.limits.ttl_ms, 2000);
  EXPECT_EQ(o.limits.max_per_ip, 2u);
  EXPECT_EQ(o.limits.max_entries, 50u);
  EXPECT_EQ(o.limits.max_query_bytes, 300u);
  EXPECT_DOUBLE_EQ(o.limits.rate_per_second, 0.5);
  EXPECT_DOUBLE_EQ(o.limits.rate_burst, 3.0);
  EXPECT_EQ(o.timeout_s, 9);
  EXPECT_EQ(o.threads, 8);
  EXPECT_EQ(o.trusted_proxies, (std::vector<std::string>{"10.0.0.1", "::1"}));
  EXPECT_EQ(o.check_port, 2300);
  EXPECT_EQ(ParseServerOptions({}).check_port, 0) << "no check unless asked for";
}

TEST(ParseServerOptions, ListenForms) {
  const struct {
    const char* text;
    const char* host;
    int port;
  } cases[] = {{"127.0.0.1:0", "127.0.0.1", 0}, {"[::1]:8081", "::1", 8081}, {":9000", "0.0.0.0", 9000}};
  for (const auto& c : cases) {
    const auto o = ParseServerOptions({"--listen", c.text});
    EXPECT_EQ(o.listen_host, c.host) << c.text;
    EXPECT_EQ(o.listen_port, c.port) << c.text;
  }
}

TEST(ParseServerOptions, RedisStoreForms) {
  const struct {
    const char* text;
    RedisAddress address;
  } cases[] = {{"redis://127.0.0.1:6379", {"127.0.0.1", 6379, 0}},
               {"redis://redis.example.org:7000/3", {"redis.example.org", 7000, 3}},
               {"redis://[::1]:6380/1", {"::1", 6380, 1}}};
  for (const auto& c : cases) {
    EXPECT_EQ(ParseServerOptions({"--store", c.text}).redis, c.address) << c.text;
  }
}

TEST(ParseServerOptions, HelpIsRecognised) {
  EXPECT_TRUE(ParseServerOptions({"--help"}).help);
  EXPECT_TRUE(ParseServerOptions({"-h"}).help);
  EXPECT_NE(UsageText().find("--trusted-proxy"), std::string::npos);
}

TEST(ParseServerOptions, RefusesBadInput) {
  const std::vector<std::vector<std::string>> cases = {
      {"--listen", "8080"},  {"--listen", "host:99999"}, {"--listen", "host:x"}, {"--ttl", "0"},
      {"--ttl", "-5"},       {"--ttl", "1s"},            {"--max-per-ip", ""},   {"--rate", "-1"},
      {"--rate", "fast"},    {"--db", ""},               {"--ttl"},              {"--bogus", "1"},
      {"stray"},
      {"--store", "127.0.0.1:6379"},     // no scheme
      {"--store", "redis://127.0.0.1"},  // no port
      {"--store", "redis://:6379"},      // no host
      {"--store", "redis://host:0"},
      {"--store", "redis://host:6379/x"},
      {"--store", "redis://[::1/2"},
      {"--db", "d.db", "--store", "redis://host:6379"},  // two stores at once
  };
  for (const auto& args : cases) {
    EXPECT_THROW((void)ParseServerOptions(args), OptionsError) << args[0];
  }
}

}  // namespace
}  // namespace lobbyfind::directory_service
