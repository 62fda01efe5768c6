// Makes a text safe to place inside a reply element: the lobby's reply reader
// has no escaping, so a "<" or ">" in a stored name would end or open an
// element, and control bytes would garble its list lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lobbyfind::directory_service {

// Bytes above 127 pass unchanged: names are 8-bit text in no particular code page.
// "<" becomes "(" and ">" becomes ")", control bytes (0-31 and 127) are
// dropped, and the result is cut to at most max_bytes bytes.
[[nodiscard]] std::string SanitiseText(std::string_view text, std::size_t max_bytes);

}  // namespace lobbyfind::directory_service
