#include "platform/linux/wine_text.h"

#include "app/code_page.h"

#include <array>
#include <cstdio>

namespace lobbyfind::platform {
namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// One UTF-8 sequence starting at `pos`; a malformed byte stands for itself.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (extra == 0 || pos + extra >= text.size()) {
    ++pos;
    return lead;
  }
  char32_t code = lead & (0x3F >> extra);
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return lead;
    }
    code = (code << 6) | (next & 0x3F);
  }
  pos += extra + 1;
  return code;
}

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code >= 0x10000) {
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(code));
  }
}

}  // namespace

std::u16string Cp1252ToUtf16(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    wide.push_back(static_cast<char16_t>(app::FromCp1252(byte)));
  }
  return wide;
}

std::string Utf16ToCp1252(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (const char16_t unit : text) {
    const auto byte = app::ToCp1252(unit);
    const char mapped = byte ? static_cast<char>(*byte) : '?';
    narrow.push_back(mapped);
  }
  return narrow;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    app::AppendUtf8(out, code);
  }
  return out;
}

std::string EscapeRegistryText(std::u16string_view text, std::string_view specials) {
  // Control characters with a letter escape; '.' marks those written in octal.
  static constexpr std::string_view kLetters = ".......abtnvfr.............e....";
  std::string out;
  char buffer[16];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool more = i + 1 < text.size();
    if (unit > 127) {
      // A following hex digit would be read as part of the escape: pad to four.
      const bool pad = more && text[i + 1] < 128 && IsHexDigit(static_cast<char>(text[i + 1]));
      std::snprintf(buffer, sizeof buffer, pad ? "\\x%04x" : "\\x%x", static_cast<unsigned>(unit));
      out += buffer;
    } else if (unit < 32) {
      if (kLetters[unit] != '.') {
        out += '\\';
        out += kLetters[unit];
      } else {
        const bool pad = more && text[i + 1] >= '0' && text[i + 1] <= '7';
        std::snprintf(buffer, sizeof buffer, pad ? "\\%03o" : "\\%o", static_cast<unsigned>(unit));
        out += buffer;
      }
    } else {
      const char c = static_cast<char>(unit);
      if (c == '\\' || specials.find(c) != std::string_view::npos) {
        out += '\\';
      }
      out += c;
    }
  }
  return out;
}

std::u16string UnescapeRegistryText(std::string_view text, std::size_t& pos, char end_char) {
  std::u16string out;
  while (pos < text.size() && text[pos] != end_char) {
    const char c = text[pos];
    if (c != '\\' || pos + 1 >= text.size()) {
      if (static_cast<unsigned char>(c) >= 0x80) {
        AppendUtf16(out, DecodeUtf8(text, pos));
      } else {
        out.push_back(static_cast<char16_t>(c));
        ++pos;
      }
      continue;
    }
    const char e = text[++pos];
    static constexpr std::string_view kFrom = "abefnrtv";
    static constexpr std::u16string_view kTo = u"\a\b\x1b\f\n\r\t\v";
    if (const auto letter = kFrom.find(e); letter != std::string_view::npos) {
      out.push_back(kTo[letter]);
      ++pos;
    } else if (e == 'x' && pos + 1 < text.size() && IsHexDigit(text[pos + 1])) {
      ++pos;
      unsigned value = 0;
      for (int digits = 0; digits < 4 && pos < text.size() && IsHexDigit(text[pos]); ++digits) {
        value = value * 16 + static_cast<unsigned>(HexValue(text[pos++]));
      }
      out.push_back(static_cast<char16_t>(value));
    } else if (e >= '0' && e <= '7') {
      unsigned value = 0;
      for (int digits = 0; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++digits) {
        value = value * 8 + static_cast<unsigned>(text[pos++] - '0');
      }
      out.push_back(static_cast<char16_t>(value));
    } else {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(e)));
      ++pos;
    }
  }
  return out;
}

}  // namespace lobbyfind::platform
