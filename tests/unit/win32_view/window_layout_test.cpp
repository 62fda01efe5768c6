// The Windows edition's real window against the layout table both editions
// are built from: every placement on its page, at its place (its frame's
// place added), with its caption and items.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/window_layout.h"
#include "win32/control_ids.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {

std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

// The child of `page` showing `caption`, for labels and frames without a name.
HWND ChildWithText(HWND page, const std::string& caption) {
  for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (TextOf(child) == caption) return child;
  }
  return nullptr;
}

TEST(Win32WindowLayout, EveryPlacementOfTheLayoutTableIsInTheRealWindow) {
  MainWindow window;
  for (const app::Placement& p : app::WindowLayout()) {
    const std::string what(p.name.empty() ? p.caption : p.name);
    HWND page = window.Child(p.page);
    app::Rect origin{};
    if (!p.frame.empty()) {
      HWND frame = ChildWithText(page, std::string(p.frame));
      ASSERT_NE(frame, nullptr) << p.frame;
      RECT r{};
      GetWindowRect(frame, &r);
      MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
      origin = {r.left, r.top, 0, 0};
    }
    HWND control = p.name.empty() ? ChildWithText(page, std::string(p.caption))
                                  : GetDlgItem(page, ControlIdByName(p.name));
    ASSERT_NE(control, nullptr) << what;
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, origin.left + p.place.left) << what;
    EXPECT_EQ(r.top, origin.top + p.place.top) << what;
    const bool measured = p.kind == app::ControlKind::Label && p.place.width == 0;
    if (!measured && p.kind != app::ControlKind::DropDown && p.kind != app::ControlKind::SpinBox) {
      EXPECT_EQ(r.right - r.left, p.place.width) << what;
      EXPECT_EQ(r.bottom - r.top, p.place.height) << what;
    }
    if (p.kind != app::ControlKind::SpinBox && p.kind != app::ControlKind::RichText) {
      EXPECT_EQ(TextOf(control), std::string(p.caption)) << what;
    }
    if (p.kind == app::ControlKind::DropDown) {
      ASSERT_EQ(SendMessageW(control, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(p.items.size()));
    }
  }
}

}  // namespace
}  // namespace lobbyfind::win32

#endif  // _WIN32
