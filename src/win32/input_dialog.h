// The small modal dialogs of the Windows edition that the system has no
// ready-made form for: a one-line text query.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lobbyfind::win32 {

// Asks for one line of text; nothing when the user cancelled. The owner's
// message loop keeps running while the dialog is open.
[[nodiscard]] std::optional<std::string> AskLine(HWND owner, const std::string& caption, const std::string& prompt,
                                                 const std::string& initial);

// The control ids of the query, for drivers that fill it in.
inline constexpr int kInputPromptId = 10;
inline constexpr int kInputEditId = 11;

}  // namespace lobbyfind::win32
