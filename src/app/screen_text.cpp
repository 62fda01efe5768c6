#include "app/screen_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace lobbyfind::app {
namespace {

// Windows-1252 from 0x80 to 0x9F. The five bytes the code page leaves free
// stand for the C1 controls of the same number, as Windows reads them, so
// that every byte has a character and comes back as itself.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The code point at `at`, advancing it; nothing for a sequence that is not
// strict UTF-8 (overlong forms, surrogates and values past U+10FFFF count as
// invalid, as every toolkit treats them).
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  int length = 0;
  char32_t code = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, least = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - at < static_cast<std::size_t>(length)) return std::nullopt;
  for (int i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  at += static_cast<std::size_t>(length);
  return code;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    if (!NextUtf8(bytes, at)) return false;
  }
  return true;
}

char32_t FromCp1252(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

std::optional<unsigned char> ToCp1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<unsigned char>(code);
  const auto* found = std::find(kCp1252High.begin(), kCp1252High.end(), code);
  if (found == kCp1252High.end()) return std::nullopt;
  return static_cast<unsigned char>(0x80 + (found - kCp1252High.begin()));
}

// The visible stand-in of a character that would break a log line, or the
// character itself.
char32_t LineSafe(char32_t code) {
  constexpr char32_t kControlPictures = 0x2400;  // U+2400 + code: the picture of C0 controls
  constexpr char32_t kDeletePicture = 0x2421;
  constexpr char32_t kNewlinePicture = 0x2424;
  if (code < 0x20 && code != U'\t') return kControlPictures + code;
  if (code == 0x7F) return kDeletePicture;
  if (code == 0x85 || code == 0x2028 || code == 0x2029) return kNewlinePicture;
  // Some text views take these non-characters as their own frame marks.
  if (code == 0xFDD0 || code == 0xFDD1) return 0xFFFD;
  return code;
}

template <typename Map>
std::string Shown(std::string_view bytes, Map map) {
  std::string out;
  out.reserve(bytes.size());
  if (IsValidUtf8(bytes)) {
    for (std::size_t at = 0; at < bytes.size();) AppendUtf8(out, map(*NextUtf8(bytes, at)));
  } else {
    for (const char byte : bytes) AppendUtf8(out, map(FromCp1252(static_cast<unsigned char>(byte))));
  }
  return out;
}

}  // namespace

std::string ShownText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Shown(bytes, [](char32_t code) { return code; });
}

std::string ShownLine(std::string_view bytes) { return Shown(bytes, LineSafe); }

std::optional<std::string> TypedBytes(std::string_view screen, TextTarget target) {
  if (!IsValidUtf8(screen)) return std::nullopt;
  if (target == TextTarget::kChat) return std::string(screen);
  std::string out;
  out.reserve(screen.size());
  for (std::size_t at = 0; at < screen.size();) {
    const auto byte = ToCp1252(*NextUtf8(screen, at));
    if (!byte) return std::nullopt;
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

TextTarget TargetOf(Control c) {
  // The player name and the game folder are the game's values; the chat
  // input, the password and everything else typed goes to the chat server
  // or stays in the program.
  return c == Control::currentplayername || c == Control::currentgtadirectory ? TextTarget::kGame
                                                                               : TextTarget::kChat;
}

std::string UnholdableTextMessage(TextTarget target) {
  if (target == TextTarget::kGame) {
    return "The game keeps this text in Windows-1252 (Western European letters), which cannot hold "
           "every character typed. Nothing was changed.";
  }
  return "This text cannot be sent as typed. Nothing was changed.";
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : static_cast<unsigned char>(c);
  };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return lower(x) < lower(y); });
}

void ShownTexts::Remember(Control c, std::string_view bytes, std::string_view shown) {
  entries_[c] = {std::string(bytes), std::string(shown)};
}

std::string ShownTexts::Bytes(Control c, std::string_view shown) const {
  const auto it = entries_.find(c);
  if (it != entries_.end() && it->second.shown == shown) return it->second.bytes;
  if (auto typed = TypedBytes(shown, TargetOf(c))) return *std::move(typed);
  return it != entries_.end() ? it->second.bytes : std::string();
}

std::optional<std::string> ShownTexts::Typed(Control c, std::string_view shown) {
  const auto it = entries_.find(c);
  if (it != entries_.end() && it->second.shown == shown) return it->second.bytes;
  auto typed = TypedBytes(shown, TargetOf(c));
  if (typed) Remember(c, *typed, shown);
  return typed;
}

std::string ShownTexts::Last(Control c) const {
  const auto it = entries_.find(c);
  return it == entries_.end() ? std::string() : it->second.bytes;
}

}  // namespace lobbyfind::app
