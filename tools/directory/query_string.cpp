#include "query_string.h"

namespace lobbyfind::directory_service {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> UrlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexDigit(text[i + 1]);
      const int low = HexDigit(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<QueryString> QueryString::Parse(std::string_view query) {
  QueryString result;
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view part = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
    if (part.empty()) continue;  // "a=1&&b=2" and a trailing "&" carry nothing
    const std::size_t eq = part.find('=');
    auto key = UrlDecode(part.substr(0, eq));
    auto value = UrlDecode(eq == std::string_view::npos ? std::string_view{} : part.substr(eq + 1));
    if (!key || !value) return std::nullopt;
    result.pairs_.emplace_back(std::move(*key), std::move(*value));
  }
  return result;
}

std::optional<std::string> QueryString::Value(std::string_view key) const {
  for (const auto& [k, v] : pairs_) {
    if (k == key) return v;
  }
  return std::nullopt;
}

}  // namespace lobbyfind::directory_service
