// What the Windows edition's windows show, read back as UTF-8 by its tests and
// benchmarks: a control's text, a rich edit's lines, a message box's text.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <richedit.h>

#include <optional>
#include <string>
#include <vector>

#include "win32/wide_text.h"

namespace lobbyfind::test {

inline std::wstring WindowTextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The lines a rich edit shows: every kind of break starts a new one.
inline std::vector<std::string> ShownLines(HWND edit) {
  GETTEXTLENGTHEX how_long{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const auto length = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how_long), 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GETTEXTEX how{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
  const auto got = SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::wstring line;
  for (const wchar_t c : text) {
    if (c == L'\r' || c == L'\n' || c == L'\v' || c == 0x2028 || c == 0x2029) {
      lines.push_back(win32::Utf8(line));
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  lines.push_back(win32::Utf8(line));
  return lines;
}

// Closes the message box this thread shows, if any, and gives its text
// (empty when it has none); nothing when no message box shows.
inline std::optional<std::string> CloseThreadMessageBox() {
  std::optional<std::string> shown;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770") return TRUE;
        auto& text = reinterpret_cast<std::optional<std::string>*>(found)->emplace();
        EnumChildWindows(
            window,
            [](HWND child, LPARAM into) -> BOOL {
              wchar_t kind[16] = {};
              GetClassNameW(child, kind, 16);
              const std::wstring caption = WindowTextOf(child);
              if (lstrcmpiW(kind, L"Static") == 0 && !caption.empty()) {
                *reinterpret_cast<std::string*>(into) = win32::Utf8(caption);
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&text));
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&shown));
  return shown;
}

}  // namespace lobbyfind::test

#endif
