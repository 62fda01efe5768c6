#include "app/chat_links.h"

#include <algorithm>
#include <array>

#include "app/chat_room.h"

namespace lobbyfind::app {
namespace {

constexpr std::array<std::string_view, 3> kStarts = {"http://", "https://", "www."};
constexpr std::string_view kWebPrefix = "http://";

bool WordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool AddressCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte > 0x20 && byte < 0x7f && std::string_view("\"'<>`").find(c) == std::string_view::npos;
}

// The length of the address start at `at`, or 0.
std::size_t StartAt(std::string_view line, std::size_t at) {
  for (const std::string_view start : kStarts) {
    if (line.size() - at < start.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < start.size() && same; ++i) same = AsciiLower(line[at + i]) == start[i];
    if (same) return start.size();
  }
  return 0;
}

// Drops the sentence marks that end a sentence rather than the address.
std::size_t TrimEnd(std::string_view link) {
  std::size_t end = link.size();
  while (end > 0) {
    const char last = link[end - 1];
    if (std::string_view(".,;:!?").find(last) != std::string_view::npos) {
      --end;
    } else if (last == ')' &&
               std::count(link.begin(), link.begin() + static_cast<std::ptrdiff_t>(end), '(') <
                   std::count(link.begin(), link.begin() + static_cast<std::ptrdiff_t>(end), ')')) {
      --end;
    } else {
      break;
    }
  }
  return end;
}

}  // namespace

std::vector<LinkSpan> FindLinks(std::string_view line) {
  std::vector<LinkSpan> links;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start_length = (at == 0 || !WordCharacter(line[at - 1])) ? StartAt(line, at) : 0;
    if (start_length == 0) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < line.size() && AddressCharacter(line[end])) ++end;
    const std::size_t length = TrimEnd(line.substr(at, end - at));
    // An address start with nothing after it is a word, not an address.
    if (length > start_length) links.push_back({at, length});
    at = std::max(end, at + 1);
  }
  return links;
}

std::optional<std::string> LinkAt(std::string_view line, std::size_t offset) {
  for (const LinkSpan& link : FindLinks(line)) {
    if (offset < link.start || offset >= link.start + link.length) continue;
    std::string address(line.substr(link.start, link.length));
    const bool bare = StartAt(address, 0) == kStarts.back().size();  // "www."
    return bare ? std::string(kWebPrefix) + address : address;
  }
  return std::nullopt;
}

}  // namespace lobbyfind::app
