// UTF-8 screen text (the core's text rule, app/screen_text.h) and the wide
// text of the platform's controls, converted without loss either way.
#pragma once

#include <string>
#include <string_view>

namespace lobbyfind::win32 {

[[nodiscard]] std::wstring Wide(std::string_view screen);
[[nodiscard]] std::string Utf8(std::wstring_view wide);

}  // namespace lobbyfind::win32
