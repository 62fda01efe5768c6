// The sans-IO halves of one HTTP/1.0 GET as the directory client speaks it:
// the URL cut into host, port and target, the request bytes, and the reply
// cut into status code, header and body as its bytes arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lobbyfind::directory {

struct HttpTarget {
  std::string host;  // without the port; also the text of the "Host:" line
  std::uint16_t port = 80;
  std::string target;  // path and query, at most kMaxTargetLength bytes
  bool operator==(const HttpTarget&) const = default;
};

inline constexpr std::size_t kMaxTargetLength = 256;
inline constexpr std::uint16_t kDefaultHttpPort = 80;

// Reads "http://" host[":" port] "/" path-and-query. Nothing for an empty URL,
// a URL without a host, or a port that is not a number from 1 to 65535.
[[nodiscard]] std::optional<HttpTarget> ParseHttpUrl(std::string_view url);

// The six request lines, each ended by CR LF, the last one empty.
[[nodiscard]] std::string BuildGetRequest(const HttpTarget& target);

// The status code of a status line: its second blank-separated field as a
// decimal number, 0 when that is missing or not a number (or above 32767).
[[nodiscard]] std::int16_t StatusCodeOf(std::string_view status_line);

// Cuts a reply into status line, header and body while its bytes arrive. The
// body is every byte after the blank line, up to the close of the connection;
// a Content-Length header does not end it. The status line and header
// together are held to the body's limit as well.
class HttpReplyReader {
 public:
  explicit HttpReplyReader(std::size_t max_body) : max_body_(max_body) {}

  // False once the body, or the status line and header, have grown beyond the
  // limit; the bytes past it are dropped.
  bool Feed(std::string_view bytes);

  [[nodiscard]] bool ReceivedAnything() const { return received_anything_; }
  [[nodiscard]] std::int16_t StatusCode() const { return StatusCodeOf(status_line_); }
  [[nodiscard]] const std::string& Header() const { return header_; }
  [[nodiscard]] const std::string& Body() const { return body_; }

 private:
  enum class Stage { kStatusLine, kHeader, kBody };
  void TakeLine(std::string_view line);

  std::size_t max_body_;
  std::size_t head_size_ = 0;  // bytes of the status line and header so far
  Stage stage_ = Stage::kStatusLine;
  bool received_anything_ = false;
  std::string pending_;  // an unfinished line of the status line or header
  std::string status_line_;
  std::string header_;
  std::string body_;
};

}  // namespace lobbyfind::directory
