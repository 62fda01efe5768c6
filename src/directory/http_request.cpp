#include "directory/http_request.h"

#include <charconv>

namespace lobbyfind::directory {
namespace {

// The fixed lines after "Host:"; the directory service has always been sent exactly these.
constexpr std::string_view kFixedHeaderLines =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
    "Content-type: application/x-www-form-urlencoded\r\n"
    "\r\n";

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<HttpTarget> ParseHttpUrl(std::string_view url) {
  if (url.empty()) return std::nullopt;
  // The host stands between the second and the third "/".
  const std::size_t first = url.find('/');
  const std::size_t second = first == std::string_view::npos ? first : url.find('/', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const std::size_t third = url.find('/', second + 1);
  std::string_view host = url.substr(second + 1, third == std::string_view::npos ? url.npos : third - second - 1);

  HttpTarget result;
  const std::size_t colon = host.rfind(':');
  if (colon != std::string_view::npos) {
    const std::string_view digits = host.substr(colon + 1);
    unsigned port = 0;
    if (!AllDigits(digits) || digits.size() > 5) return std::nullopt;
    std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (port == 0 || port > 65535) return std::nullopt;
    result.port = static_cast<std::uint16_t>(port);
    host = host.substr(0, colon);
  }
  if (host.empty()) return std::nullopt;
  result.host = std::string(host);
  result.target = third == std::string_view::npos ? std::string("/") : std::string(url.substr(third, kMaxTargetLength));
  return result;
}

std::string BuildGetRequest(const HttpTarget& target) {
  std::string request;
  request.reserve(target.target.size() + target.host.size() + kFixedHeaderLines.size() + 32);
  request.append("GET ").append(target.target).append(" HTTP/1.0\r\n");
  request.append("Host: ").append(target.host).append("\r\n");
  request.append(kFixedHeaderLines);
  return request;
}

std::int16_t StatusCodeOf(std::string_view status_line) {
  // Fields are separated by blanks; the line may still end in CR.
  if (!status_line.empty() && status_line.back() == '\r') status_line.remove_suffix(1);
  std::size_t start = status_line.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  start = status_line.find(' ', start);
  if (start == std::string_view::npos) return 0;
  start = status_line.find_first_not_of(' ', start);
  if (start == std::string_view::npos) return 0;
  const std::size_t end = status_line.find(' ', start);
  const std::string_view field = status_line.substr(start, end == std::string_view::npos ? end : end - start);
  if (!AllDigits(field) || field.size() > 5) return 0;
  int value = 0;
  std::from_chars(field.data(), field.data() + field.size(), value);
  return value > 32767 ? std::int16_t{0} : static_cast<std::int16_t>(value);
}

bool HttpReplyReader::Feed(std::string_view bytes) {
  if (!bytes.empty()) received_anything_ = true;
  while (stage_ != Stage::kBody && !bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    const std::size_t take = lf == std::string_view::npos ? bytes.size() : lf + 1;
    // A status line and header longer than the body limit are no reply of
    // ours; counted whole, so that endless header lines cannot grow the
    // memory either, and however the bytes arrive.
    if (head_size_ + take > max_body_) return false;
    head_size_ += take;
    pending_.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    if (lf == std::string_view::npos) return true;
    std::string line;
    line.swap(pending_);
    TakeLine(line);
  }
  if (stage_ == Stage::kBody && !bytes.empty()) {
    if (body_.size() + bytes.size() > max_body_) {
      body_.append(bytes.substr(0, max_body_ - body_.size()));
      return false;
    }
    body_.append(bytes);
  }
  return true;
}

void HttpReplyReader::TakeLine(std::string_view line) {
  if (stage_ == Stage::kStatusLine) {
    line.remove_suffix(1);  // the LF
    status_line_ = std::string(line);
    stage_ = Stage::kHeader;
    return;
  }
  if (line == "\n" || line == "\r\n") {
    stage_ = Stage::kBody;
    return;
  }
  header_.append(line);
}

}  // namespace lobbyfind::directory
