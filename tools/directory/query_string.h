// Splits and decodes the query of a request URL ("A=1&B=x+y") the way HTML
// forms encode it: "+" is a blank, "%XX" a byte. Malformed input is reported,
// never guessed at, so a bad request can be refused before it changes anything.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lobbyfind::directory_service {

// Decodes one key or value; nullopt when a "%" is not followed by two hex digits.
[[nodiscard]] std::optional<std::string> UrlDecode(std::string_view text);

// The decoded key/value pairs of a query, in their order.
class QueryString {
 public:
  // nullopt when any part is not validly encoded.
  [[nodiscard]] static std::optional<QueryString> Parse(std::string_view query);

  // The value of the first pair with this key (keys are case-sensitive).
  [[nodiscard]] std::optional<std::string> Value(std::string_view key) const;

  [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& Pairs() const {
    return pairs_;
  }

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace lobbyfind::directory_service
