#include "directory/http_request.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/expected_news_request.h"

namespace lobbyfind::directory {
namespace {

TEST(ParseHttpUrl, CutsHostPortAndTarget) {
  struct Case {
    std::string url;
    std::optional<HttpTarget> expected;
  };
  const std::string long_query(300, 'q');
  const std::vector<Case> table = {
      {"http://dir.example/Vexnet/lobbyfind/webinterface.php?GIVEME=NEWS",
       HttpTarget{"dir.example", 80, "/Vexnet/lobbyfind/webinterface.php?GIVEME=NEWS"}},
      {"http://127.0.0.1:8080/x?a=b", HttpTarget{"127.0.0.1", 8080, "/x?a=b"}},
      {"http://host", HttpTarget{"host", 80, "/"}},
      {"http://host:81", HttpTarget{"host", 81, "/"}},
      {"http://host/", HttpTarget{"host", 80, "/"}},
      {"http://host/a/b/c", HttpTarget{"host", 80, "/a/b/c"}},
      {"http://host/" + long_query, HttpTarget{"host", 80, "/" + long_query.substr(0, 255)}},
      {"", std::nullopt},
      {"http:", std::nullopt},
      {"http:///path", std::nullopt},
      {"http://host:/x", std::nullopt},
      {"http://host:0/x", std::nullopt},
      {"http://host:65536/x", std::nullopt},
      {"http://host:80a/x", std::nullopt},
      {"http://:80/x", std::nullopt},
  };
  for (const Case& c : table) EXPECT_EQ(ParseHttpUrl(c.url), c.expected) << c.url;
}

TEST(BuildGetRequest, SixLinesWithTheHostOnly) {
  const auto target = ParseHttpUrl("http://127.0.0.1:8080/Vexnet/lobbyfind/webinterface.php?GIVEME=NEWS");
  ASSERT_TRUE(target);
  EXPECT_EQ(BuildGetRequest(*target), testing::ExpectedNewsRequest("127.0.0.1"));
}

TEST(StatusCodeOf, SecondBlankSeparatedFieldOrZero) {
  const std::vector<std::pair<std::string, int>> table = {
      {"HTTP/1.0 200 OK\r", 200}, {"HTTP/1.1 404 Not Found", 404}, {"HTTP/1.0 301", 301},
      {"HTTP/1.0 200\r", 200},    {"HTTP/1.0  204  x", 204},        {"HTTP/1.0 OK", 0},
      {"HTTP/1.0", 0},            {"", 0},                          {"HTTP/1.0 2x0 OK", 0},
      {"HTTP/1.0 -1 OK", 0},      {"HTTP/1.0 99999 big", 0},        {"HTTP/1.0 32767 max", 32767},
  };
  for (const auto& [line, expected] : table) EXPECT_EQ(StatusCodeOf(line), expected) << line;
}

TEST(HttpReplyReader, CutsStatusHeaderAndBodyWhateverTheChunks) {
  const std::string reply =
      "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nServer: x\r\n\r\n<titel>NEWS</titel>\r\n\r\nmore";
  for (std::size_t chunk = 1; chunk <= reply.size(); ++chunk) {
    HttpReplyReader reader(1024);
    for (std::size_t at = 0; at < reply.size(); at += chunk) ASSERT_TRUE(reader.Feed(reply.substr(at, chunk)));
    EXPECT_EQ(reader.StatusCode(), 200) << chunk;
    EXPECT_EQ(reader.Header(), "Content-Length: 2\r\nServer: x\r\n") << chunk;
    EXPECT_EQ(reader.Body(), "<titel>NEWS</titel>\r\n\r\nmore") << "Content-Length does not end the body";
  }
}

TEST(HttpReplyReader, BareLineFeedsAndMissingParts) {
  HttpReplyReader lf_only(1024);
  lf_only.Feed("HTTP/1.0 404 Not Found\nA: b\n\nbody");
  EXPECT_EQ(lf_only.StatusCode(), 404);
  EXPECT_EQ(lf_only.Header(), "A: b\n");
  EXPECT_EQ(lf_only.Body(), "body");

  HttpReplyReader header_to_close(1024);
  header_to_close.Feed("HTTP/1.0 200 OK\r\nA: b\r\n");
  EXPECT_EQ(header_to_close.StatusCode(), 200);
  EXPECT_EQ(header_to_close.Body(), "");

  HttpReplyReader status_only(1024);
  status_only.Feed("HTTP/1.0 500 Oops");
  EXPECT_TRUE(status_only.ReceivedAnything());
  EXPECT_EQ(status_only.StatusCode(), 0) << "a status line is complete only at its LF";

  HttpReplyReader nothing(1024);
  nothing.Feed("");
  EXPECT_FALSE(nothing.ReceivedAnything());
}

TEST(HttpReplyReader, RefusesABodyBeyondTheLimit) {
  HttpReplyReader reader(20);
  EXPECT_TRUE(reader.Feed("HTTP/1.0 200 OK\r\n\r\n01234567890123456789"));
  EXPECT_EQ(reader.Body().size(), 20U);
  EXPECT_FALSE(reader.Feed("x"));
  EXPECT_EQ(reader.Body().size(), 20U);

  HttpReplyReader endless_header(10);
  EXPECT_FALSE(endless_header.Feed("HTTP/1.0 200 OK\r\nX: 01234567890123"));
}

// Found by fuzzing: only an unfinished line was held to the limit, so a long
// header line passed when its LF came in the same arrival, and endless short
// header lines grew the memory without bound.
TEST(HttpReplyReader, HoldsStatusLineAndHeaderToTheLimitHoweverTheyArrive) {
  constexpr std::size_t kLimit = 64;
  std::string endless = "HTTP/1.0 200 OK\r\n";
  while (endless.size() < 10 * kLimit) endless += "X: y\r\n";
  const std::string long_line = "HTTP/1.0 200 OK\r\nX: " + std::string(kLimit, 'a') + "\r\n\r\nbody";
  for (const std::string& reply : {endless, long_line}) {
    for (const std::size_t chunk : {reply.size(), std::size_t{7}, std::size_t{1}}) {
      HttpReplyReader reader(kLimit);
      bool accepted = true;
      for (std::size_t at = 0; at < reply.size() && accepted; at += chunk) accepted = reader.Feed(reply.substr(at, chunk));
      EXPECT_FALSE(accepted) << reply.size() << " bytes in pieces of " << chunk;
      EXPECT_LE(reader.Header().size(), kLimit);
      EXPECT_EQ(reader.Body(), "");
    }
  }
  // A head of exactly the limit still passes.
  HttpReplyReader exact(kLimit);
  const std::string head = "HTTP/1.0 200 OK\r\nX: " + std::string(kLimit - 24, 'a') + "\r\n\r\n";
  ASSERT_EQ(head.size(), kLimit);
  EXPECT_TRUE(exact.Feed(head + "body"));
  EXPECT_EQ(exact.Body(), "body");
}

}  // namespace
}  // namespace lobbyfind::directory
