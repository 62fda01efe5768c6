// The two encodings the program's text meets, character by character: UTF-8
// (chat, the screen) and Windows-1252, the game's code page. One table and
// one codec for the windows' text rule and the Wine registry files alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lobbyfind::app {

// Appends `code` encoded as UTF-8.
void AppendUtf8(std::string& out, char32_t code);
// The code point at `at`, advancing it; nothing for a sequence that is not
// strict UTF-8 (overlong forms, surrogates, values past U+10FFFF).
[[nodiscard]] std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at);
[[nodiscard]] bool IsValidUtf8(std::string_view bytes);
// A Windows-1252 byte as a code point; the five bytes the code page leaves
// free stand for the C1 controls of the same number, as Windows reads them.
[[nodiscard]] char32_t FromCp1252(unsigned char byte);
// The Windows-1252 byte of a code point; nothing when the code page has none.
[[nodiscard]] std::optional<unsigned char> ToCp1252(char32_t code);

}  // namespace lobbyfind::app
