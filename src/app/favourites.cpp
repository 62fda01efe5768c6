#include "app/favourites.h"

namespace lobbyfind::app {
namespace {

constexpr char kSeparator = ',';
constexpr char kEscape = '%';
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

bool KeptAsIs(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7F && byte != kSeparator && byte != kEscape;
}

int HexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kEscape && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace

void Favourites::Toggle(const std::string& name) {
  if (!names_.erase(name)) names_.insert(name);
}

std::string Favourites::Encode() const {
  std::string out;
  for (const std::string& name : names_) {
    if (!out.empty()) out.push_back(kSeparator);
    for (const char c : name) {
      const auto byte = static_cast<unsigned char>(c);
      if (KeptAsIs(byte)) {
        out.push_back(c);
      } else {
        out.push_back(kEscape);
        out.push_back(kHexDigits[byte >> 4]);
        out.push_back(kHexDigits[byte & 0x0F]);
      }
    }
  }
  return out;
}

Favourites Favourites::Decode(std::string_view stored) {
  Favourites favourites;
  while (!stored.empty()) {
    const std::size_t end = stored.find(kSeparator);
    std::string name = Unescape(stored.substr(0, end));
    if (!name.empty()) favourites.names_.insert(std::move(name));
    if (end == std::string_view::npos) break;
    stored.remove_prefix(end + 1);
  }
  return favourites;
}

}  // namespace lobbyfind::app
