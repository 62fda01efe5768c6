// Text as a Wine prefix's registry keeps it: UTF-16 inside, escaped ASCII in
// system.reg. The program's strings are 8-bit; they cross to UTF-16 in the
// Western Windows code page (1252), as the game's 8-bit registry calls do
// under Wine in the usual locales.
#pragma once

#include <string>
#include <string_view>

namespace lobbyfind::platform {

[[nodiscard]] std::u16string Cp1252ToUtf16(std::string_view text);
// Characters outside code page 1252 become '?', as the 8-bit calls give them.
[[nodiscard]] std::string Utf16ToCp1252(std::u16string_view text);
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

// Escapes as Wine writes names and strings into its registry file: a
// backslash before the backslash and before each of `specials`, C escapes for control
// characters, "\x" with hex digits above 127.
[[nodiscard]] std::string EscapeRegistryText(std::u16string_view text, std::string_view specials);

// Reads escaped text from `text` at `pos` up to the unescaped `end_char` (not
// consumed). Unescaped bytes above 127 are taken as UTF-8. Advances `pos`.
[[nodiscard]] std::u16string UnescapeRegistryText(std::string_view text, std::size_t& pos, char end_char);

}  // namespace lobbyfind::platform
