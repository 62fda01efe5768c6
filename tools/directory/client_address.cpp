#include "client_address.h"

#include <algorithm>

namespace lobbyfind::directory_service {

namespace {

constexpr std::string_view kMappedPrefix = "::ffff:";

bool IsIpv4(std::string_view s) {
  int parts = 0;
  while (true) {
    const auto dot = s.find('.');
    const std::string_view part = s.substr(0, dot);
    if (part.empty() || part.size() > 3) return false;
    if (!std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    if (std::stoi(std::string(part)) > 255) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    s = s.substr(dot + 1);
  }
  return parts == 4;
}

bool IsIpv6(std::string_view s) {
  if (s.size() < 2 || s.size() > 45 || s.find(':') == std::string_view::npos) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
  });
}

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool Trusted(const std::string& address, const std::vector<std::string>& trusted) {
  return std::find(trusted.begin(), trusted.end(), address) != trusted.end();
}

}  // namespace

std::string NormaliseAddress(std::string_view address) {
  if (address.size() > kMappedPrefix.size() && address.substr(0, kMappedPrefix.size()) == kMappedPrefix &&
      IsIpv4(address.substr(kMappedPrefix.size()))) {
    address.remove_prefix(kMappedPrefix.size());
  }
  return std::string(address);
}

bool IsAddressText(std::string_view address) { return IsIpv4(address) || IsIpv6(address); }

std::string ClientAddress(std::string_view peer, std::string_view forwarded_for,
                          const std::vector<std::string>& trusted_proxies) {
  std::string client = NormaliseAddress(peer);
  if (!Trusted(client, trusted_proxies)) return client;
  // Each proxy appends the address it saw, so the rightmost entry that is
  // not one of our own proxies is the first one nobody we trust vouches past.
  while (!forwarded_for.empty()) {
    const auto comma = forwarded_for.rfind(',');
    const std::string_view item =
        Trim(comma == std::string_view::npos ? forwarded_for : forwarded_for.substr(comma + 1));
    forwarded_for = comma == std::string_view::npos ? std::string_view{} : forwarded_for.substr(0, comma);
    if (!IsAddressText(item)) break;  // garbage: keep the last address we could vouch for
    client = NormaliseAddress(item);
    if (!Trusted(client, trusted_proxies)) break;
  }
  return client;
}

}  // namespace lobbyfind::directory_service
