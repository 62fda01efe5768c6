// Web addresses in chat lines, which open in the browser on a click. Only
// "http://", "https://" and "www." addresses count; the line itself is never
// read as markup and shows as it stands.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::app {

struct LinkSpan {
  std::size_t start = 0;
  std::size_t length = 0;
  friend bool operator==(const LinkSpan&, const LinkSpan&) = default;
};

// The addresses in a line, in bytes, in order. An address starts a word and
// runs to the next blank, quote or angle bracket (or a byte that is no
// printable ASCII); a closing sentence mark after it (".", ",", ")" without
// its "(") is not part of it.
[[nodiscard]] std::vector<LinkSpan> FindLinks(std::string_view line);

// The address to open for a click at byte `offset` of `line`: the address
// there, a "www." one with "http://" in front; nothing off an address.
[[nodiscard]] std::optional<std::string> LinkAt(std::string_view line, std::size_t offset);

}  // namespace lobbyfind::app
