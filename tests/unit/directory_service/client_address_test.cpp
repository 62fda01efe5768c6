#include "client_address.h"

#include <gtest/gtest.h>

namespace lobbyfind::directory_service {
namespace {

TEST(ClientAddress, BelievesForwardedForOnlyFromTrustedProxies) {
  const std::vector<std::string> proxies = {"127.0.0.1", "10.0.0.2"};
  const struct {
    const char* peer;
    const char* forwarded;
    const char* expected;
  } cases[] = {
      {"203.0.113.5", "", "203.0.113.5"},
      {"203.0.113.5", "1.2.3.4", "203.0.113.5"},             // untrusted peer: header ignored
      {"127.0.0.1", "198.51.100.7", "198.51.100.7"},         // trusted proxy
      {"127.0.0.1", "6.6.6.6, 198.51.100.7", "198.51.100.7"},  // a forged left part is not believed
      {"127.0.0.1", "198.51.100.7, 10.0.0.2", "198.51.100.7"},  // chain of our own proxies
      {"127.0.0.1", "", "127.0.0.1"},
      {"127.0.0.1", "garbage", "127.0.0.1"},
      {"127.0.0.1", "198.51.100.7, garbage", "127.0.0.1"},
      {"::ffff:127.0.0.1", "198.51.100.7", "198.51.100.7"},
      {"::ffff:203.0.113.5", "", "203.0.113.5"},
      {"127.0.0.1", "2001:db8::1", "2001:db8::1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClientAddress(c.peer, c.forwarded, proxies), c.expected) << c.peer << " / " << c.forwarded;
  }
}

TEST(ClientAddress, NoTrustedProxyMeansHeaderNeverCounts) {
  EXPECT_EQ(ClientAddress("127.0.0.1", "198.51.100.7", {}), "127.0.0.1");
}

TEST(IsAddressText, AcceptsAddressesOnly) {
  for (const char* good : {"1.2.3.4", "255.255.255.255", "::1", "2001:db8::1", "::ffff:1.2.3.4"}) {
    EXPECT_TRUE(IsAddressText(good)) << good;
  }
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.x", "host.example", "1..2.3", "<b>"}) {
    EXPECT_FALSE(IsAddressText(bad)) << bad;
  }
}

}  // namespace
}  // namespace lobbyfind::directory_service
