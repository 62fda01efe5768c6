#include "app/screen_text.h"

#include "app/code_page.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace lobbyfind::app {
namespace {

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
