// Works the Windows edition's main window from outside, as a test would by
// hand: finds the window by its class, its controls by name (control_ids.h),
// and sends them the messages a user's actions would cause. One command per
// run; what it reads goes to standard output. Exit code 0: done; 1: the
// window or control is missing or the wait timed out; 2: bad usage.
//
//   lobbyfind_driver wait-window SECONDS
//   lobbyfind_driver text NAME                 window text of a control
//   lobbyfind_driver set-text NAME TEXT        as typed (the change is reported)
//   lobbyfind_driver click NAME                a button click
//   lobbyfind_driver items NAME                list items, one a line
//   lobbyfind_driver double-click NAME INDEX   select an item and double-click it
//   lobbyfind_driver check NAME                tick a check box, as a click does
//   lobbyfind_driver menu NAME INDEX           the context menu on a list item; its first entry chosen
//   lobbyfind_driver enter NAME                press and release Enter
//   lobbyfind_driver page NAME                 bring a page to the front by the tabs' arrow keys
//   lobbyfind_driver visible NAME              exit 0 when the control is shown
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <string_view>

#include "win32/control_ids.h"

namespace {

using lobbyfind::win32::ControlIdByName;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

HWND MainWindow() { return FindWindowA(lobbyfind::win32::kMainWindowClass, "lobbyfind"); }

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK Match(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

// The control of that name anywhere in the window (pages hold most).
HWND Control(std::string_view name) {
  HWND window = MainWindow();
  const int id = ControlIdByName(name);
  if (window == nullptr || id == 0) return nullptr;
  Search search{id, nullptr};
  EnumChildWindows(window, &Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string Text(HWND control) {
  std::string text(static_cast<std::size_t>(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// A control's notification to its parent, as the control itself sends it.
void Notify(HWND control, int code) {
  PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

int WaitWindow(int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (MainWindow() != nullptr && IsWindowVisible(MainWindow())) return 0;
    Sleep(100);
  }
  return kFailed;
}

int Items(HWND list) {
  const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) return kFailed;
    // Across processes Wine hands list items over as UTF-16 only: asked for
    // as such, shown in the program's 8-bit code page.
    std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(std::wcslen(item.c_str()));
    std::string bytes(item.size() * 2 + 1, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, item.c_str(), static_cast<int>(item.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    std::printf("%s\n", bytes.c_str());
  }
  return 0;
}

// The context menu of a list item, asked for as a right-click asks, then its
// first entry chosen from the keyboard once the menu shows.
int ChooseFromMenu(HWND list, int index) {
  const auto height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  const auto top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  POINT at{height, (index - top) * height + height / 2};
  ClientToScreen(list, &at);
  PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
  constexpr int kTries = 100;  // up to 5 s
  for (int i = 0; i < kTries; ++i) {
    // The class of the system's popup menus.
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu != nullptr && IsWindowVisible(menu)) {
      PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 1);
      PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 1);
      return 0;
    }
    Sleep(50);
  }
  return kFailed;
}

int ShowPage(HWND page) {
  HWND tabs = Control("PageControl1");
  // Left as far as it goes, then right until the page is shown.
  for (int i = 0; i < 3; ++i) SendMessageA(tabs, WM_KEYDOWN, VK_LEFT, 0);
  for (int i = 0; i < 3 && !IsWindowVisible(page); ++i) SendMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
  return IsWindowVisible(page) ? 0 : kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return kUsage;
  const std::string_view command = argv[1];
  if (command == "wait-window") return WaitWindow(argc > 2 ? std::atoi(argv[2]) : 30);
  if (argc < 3) return kUsage;
  HWND control = Control(argv[2]);
  if (control == nullptr) {
    std::fprintf(stderr, "no control %s\n", argv[2]);
    return kFailed;
  }
  if (command == "text") {
    std::printf("%s\n", Text(control).c_str());
    return 0;
  }
  if (command == "set-text" && argc > 3) {
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    return 0;
  }
  if (command == "click") {
    Notify(control, BN_CLICKED);
    return 0;
  }
  if (command == "items") return Items(control);
  if (command == "double-click" && argc > 3) {
    SendMessageA(control, LB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[3])), 0);
    Notify(control, LBN_DBLCLK);
    return 0;
  }
  if (command == "check") {
    SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
    Notify(control, BN_CLICKED);
    return 0;
  }
  if (command == "menu" && argc > 3) return ChooseFromMenu(control, std::atoi(argv[3]));
  if (command == "enter") {
    PostMessageA(control, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(control, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
    return 0;
  }
  if (command == "page") return ShowPage(control);
  if (command == "visible") return IsWindowVisible(control) ? 0 : kFailed;
  return kUsage;
}
