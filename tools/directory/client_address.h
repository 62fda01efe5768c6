// Decides which address a request comes from. The TCP peer is the answer,
// unless the peer is one of the reverse proxies the operator named: then the
// proxy's X-Forwarded-For header is believed, read from the right, skipping
// further trusted proxies. A header from anyone else is ignored, since any
// client can write one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::directory_service {

// Strips the IPv4-in-IPv6 form "::ffff:a.b.c.d" down to "a.b.c.d", since the
// lobby pings the listed address as IPv4.
[[nodiscard]] std::string NormaliseAddress(std::string_view address);

// True for a dotted-quad IPv4 address or a plausible IPv6 address text.
[[nodiscard]] bool IsAddressText(std::string_view address);

[[nodiscard]] std::string ClientAddress(std::string_view peer, std::string_view forwarded_for,
                                        const std::vector<std::string>& trusted_proxies);

}  // namespace lobbyfind::directory_service
