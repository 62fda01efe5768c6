// The small modal dialogs of the Windows edition that the system has no
// ready-made form for: a one-line text query.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace lobbyfind::win32 {

// Asks for one line of text; nothing when the user cancelled. Texts in and
// out are screen text (UTF-8, app/screen_text.h), shown through the wide
// interface so any character shows whatever the system's code page. The
// owner's message loop keeps running while the dialog is open.
[[nodiscard]] std::optional<std::string> AskLine(HWND owner, std::string_view caption, std::string_view prompt,
                                                 std::string_view initial);

// The control ids of the query, for drivers that fill it in.
inline constexpr int kInputPromptId = 10;
inline constexpr int kInputEditId = 11;

}  // namespace lobbyfind::win32
