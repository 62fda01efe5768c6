// Works the Windows edition's main window from outside, as a test would by
// hand: finds the window by its class, its controls by name (control_ids.h),
// and sends them the messages a user's actions would cause. One command per
// run; what it reads goes to standard output. Exit code 0: done; 1: the
// window or control is missing or the wait timed out; 2: bad usage.
//
//   lobbyfind_driver wait-window SECONDS
//   lobbyfind_driver windows TITLE             how many top-level windows have that title
//   lobbyfind_driver close                     close the main window as its close box does
//   lobbyfind_driver text NAME                 window text of a control, as UTF-8
//   lobbyfind_driver lines NAME                a rich edit's shown lines, one a line, as UTF-8
//   lobbyfind_driver set-text NAME TEXT        as typed (the change is reported)
//   lobbyfind_driver click NAME                a button click
//   lobbyfind_driver items NAME                list items, one a line
//   lobbyfind_driver double-click NAME INDEX   select an item and double-click it
//   lobbyfind_driver enter NAME                press and release Enter
//   lobbyfind_driver page NAME                 bring a page to the front by the tabs' arrow keys
//   lobbyfind_driver visible NAME              exit 0 when the control is shown
//   lobbyfind_driver game-value NAME           a value of the game's network key as the
//                                              game reads it: its bytes in hex, per place
//   lobbyfind_driver set-game-value NAME HEX   store a string value as the game does
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

#include "game/game_settings.h"
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

std::string Utf8(const std::wstring& wide) {
  std::string bytes(wide.size() * 3 + 1, '\0');
  bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                                            bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                            nullptr)));
  return bytes;
}

// Asked for as UTF-16, which Wine hands across processes without loss.
std::wstring Text(HWND control) {
  std::wstring text(static_cast<std::size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// The lines a rich edit shows: each of CR, LF, CR LF, the vertical tab and
// the Unicode line and paragraph separators ends one.
int Lines(HWND edit) {
  const std::wstring text = Text(edit);
  std::wstring line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n' || c == L'\v' || c == 0x2028 || c == 0x2029) {
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      std::printf("%s\n", Utf8(line).c_str());
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) std::printf("%s\n", Utf8(line).c_str());
  return 0;
}

struct TitleCount {
  std::wstring title;
  int count;
};

BOOL CALLBACK CountTitle(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TitleCount*>(context);
  std::wstring title(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  title.resize(static_cast<std::size_t>(GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
  if (title == search->title) ++search->count;
  return TRUE;
}

int CountWindows(const char* title) {
  TitleCount search{{}, 0};
  for (const char* c = title; *c != '\0'; ++c) search.title.push_back(static_cast<wchar_t>(*c));
  EnumWindows(&CountTitle, reinterpret_cast<LPARAM>(&search));
  std::printf("%d\n", search.count);
  return 0;
}

// The game's key where a 32-bit program sees it, and where the system keeps
// that program's writes when it virtualises them.
const std::string kGameKey(lobbyfind::game::kNetworkKeyPath);
const std::string kVirtualStoreKey =
    "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node" + kGameKey.substr(kGameKey.find('\\'));

// The value's bytes through the 8-bit interface, the game's own, in hex;
// "absent" when there is no such value.
std::string ValueHex(HKEY root, const std::string& path, REGSAM view, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return "absent";
  std::string data(1024, '\0');
  DWORD size = static_cast<DWORD>(data.size());
  const LONG result =
      RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return "absent";
  std::string hex;
  for (std::size_t i = 0; i < size; ++i) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(data[i]);
    hex += {kDigits[byte >> 4], kDigits[byte & 15]};
  }
  return hex;
}

int GameValue(const char* name) {
  std::printf("machine %s\n", ValueHex(HKEY_LOCAL_MACHINE, kGameKey, KEY_WOW64_32KEY, name).c_str());
  std::printf("store %s\n", ValueHex(HKEY_CURRENT_USER, kVirtualStoreKey, 0, name).c_str());
  return 0;
}

// Writes the bytes as a string value the way the game does: an 8-bit
// program in the 32-bit view of the registry.
int SetGameValue(const char* name, const char* hex) {
  std::string data;
  for (const char* c = hex; c[0] != '\0' && c[1] != '\0'; c += 2) {
    data.push_back(static_cast<char>(std::strtol(std::string(c, 2).c_str(), nullptr, 16)));
  }
  data.push_back('\0');
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return kFailed;
  }
  const LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                     static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? 0 : kFailed;
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
  if (command == "close") return MainWindow() != nullptr && PostMessageW(MainWindow(), WM_CLOSE, 0, 0) ? 0 : kFailed;
  if (argc < 3) return kUsage;
  if (command == "windows") return CountWindows(argv[2]);
  if (command == "game-value") return GameValue(argv[2]);
  if (command == "set-game-value" && argc > 3) return SetGameValue(argv[2], argv[3]);
  HWND control = Control(argv[2]);
  if (control == nullptr) {
    std::fprintf(stderr, "no control %s\n", argv[2]);
    return kFailed;
  }
  if (command == "text") {
    std::printf("%s\n", Utf8(Text(control)).c_str());
    return 0;
  }
  if (command == "lines") return Lines(control);
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
  if (command == "enter") {
    PostMessageA(control, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(control, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
    return 0;
  }
  if (command == "page") return ShowPage(control);
  if (command == "visible") return IsWindowVisible(control) ? 0 : kFailed;
  return kUsage;
}
