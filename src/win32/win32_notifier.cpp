#include "win32/win32_notifier.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "app/screen_text.h"
#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {

// The program's one icon in the notification area.
constexpr UINT kIconId = 1;

// Copies as much of `text` as fits, with its terminating zero, never ending
// on the first half of a surrogate pair.
template <std::size_t N>
void CopyInto(WCHAR (&target)[N], const std::wstring& text) {
  std::size_t count = std::min(text.size(), N - 1);
  if (count > 0 && count < text.size() && IS_HIGH_SURROGATE(text[count - 1])) --count;
  std::copy_n(text.begin(), count, target);
  target[count] = L'\0';
}

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kIconId;
  return data;
}

}  // namespace

Win32Notifier::Win32Notifier(HWND window) : window_(window) {}

Win32Notifier::~Win32Notifier() {
  if (!icon_added_) return;
  NOTIFYICONDATAW data = IconData(window_);
  Shell_NotifyIconW(NIM_DELETE, &data);
}

bool Win32Notifier::WindowActive() const {
  const HWND front = GetForegroundWindow();
  return front != nullptr && (front == window_ || GetAncestor(front, GA_ROOTOWNER) == window_);
}

void Win32Notifier::Notify(const std::string& title, const std::string& text) {
  NOTIFYICONDATAW data = IconData(window_);
  data.uFlags = NIF_ICON | NIF_TIP | NIF_INFO;
  data.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  CopyInto(data.szTip, L"lobbyfind");
  // The balloon shows plain text; lines a stranger sent stay one line.
  CopyInto(data.szInfoTitle, Wide(app::ShownLine(title)));
  CopyInto(data.szInfo, Wide(app::ShownLine(text)));
  data.dwInfoFlags = NIIF_INFO;
  // A desktop without a notification area refuses the icon: then nothing
  // is shown, as on a Linux desktop without a notification service.
  if (icon_added_) {
    (void)Shell_NotifyIconW(NIM_MODIFY, &data);
  } else {
    icon_added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  }
}

}  // namespace lobbyfind::win32
