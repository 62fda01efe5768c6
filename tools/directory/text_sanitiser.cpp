#include "text_sanitiser.h"

#include <algorithm>

namespace lobbyfind::directory_service {

std::string SanitiseText(std::string_view text, std::size_t max_bytes) {
  std::string out;
  out.reserve(std::min(text.size(), max_bytes));
  for (const char c : text) {
    if (out.size() >= max_bytes) break;
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) continue;
    if (c == '<') {
      out += '(';
    } else if (c == '>') {
      out += ')';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace lobbyfind::directory_service
