#include "win32/main_window.h"

#include <windowsx.h>

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "win32/banner_picture.h"
#include "win32/control_ids.h"
#include "win32/game_list_drawing.h"

namespace lobbyfind::win32 {
namespace {

using app::Control;

constexpr const char* kPageClass = "lobbyfind.page";
constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFontPoints = 8;
constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;

bool IsGroupFrame(HWND child) {
  std::array<char, 16> name{};
  GetClassNameA(child, name.data(), static_cast<int>(name.size()));
  return lstrcmpiA(name.data(), "BUTTON") == 0;
}

void RegisterClasses(HINSTANCE instance) {
  WNDCLASSA frame{};
  frame.style = CS_DBLCLKS;
  frame.lpfnWndProc = DefWindowProcA;  // replaced by the window's own procedure at creation
  frame.hInstance = instance;
  frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
  frame.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = kMainWindowClass;
  RegisterClassA(&frame);
  WNDCLASSA page = frame;
  page.lpszClassName = kPageClass;
  RegisterClassA(&page);
}

}  // namespace

struct MainWindow::HookEntry {
  WNDPROC original;
  MessageHook hook;
};

MainWindow::MainWindow() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX),
                              ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  if (LoadLibraryA("riched20.dll") == nullptr) throw std::runtime_error("the rich edit control is missing");
  RegisterClasses(instance);
  const int height = -MulDiv(kFontPoints, kScreenDpi, kPointsPerInch);
  font_ = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  bold_font_ = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  CreateFrame();
  ShowBanner();
  // The tab control comes first, so the pages lie above it.
  HWND tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, kBannerHeight,
                              kClientWidth, 0, window_, reinterpret_cast<HMENU>(ControlId(Control::PageControl1)),
                              instance, nullptr);
  SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  Keep(Control::PageControl1, tabs);
  BuildStatusBar();
  RECT status{};
  GetWindowRect(StatusBar(), &status);
  MoveWindow(tabs, 0, kBannerHeight, kClientWidth, kClientHeight - kBannerHeight - (status.bottom - status.top),
             FALSE);
  BuildStartPage();
  BuildInternetGamesPage();
  BuildOptionsPage();
  RebuildTabs();
  PlacePages();
  SetActivePage(Control::tab_Start);
}

void MainWindow::PlacePages() {
  // The tabs' height is known once they have items.
  HWND tabs = Child(Control::PageControl1);
  RECT area{};
  GetClientRect(tabs, &area);
  TabCtrl_AdjustRect(tabs, FALSE, &area);
  MapWindowPoints(tabs, window_, reinterpret_cast<POINT*>(&area), 2);
  for (const Page& p : pages_) {
    MoveWindow(p.window, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
    // Later children lie below earlier ones: the frames of the groups go
    // to the bottom, so they never cover the controls they hold.
    std::vector<HWND> frames;
    for (HWND child = GetWindow(p.window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX && IsGroupFrame(child)) {
        frames.push_back(child);
      }
    }
    for (HWND frame : frames) {
      SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  // The controls are gone; their handles may be given to new windows.
  for (auto it = HookedControls().begin(); it != HookedControls().end();) {
    const bool ours = std::ranges::any_of(hooks_, [&](const auto& entry) { return entry.get() == it->second; });
    it = ours ? HookedControls().erase(it) : std::next(it);
  }
  for (const BackgroundEntry& entry : backgrounds_) DeleteObject(entry.brush);
  if (banner_ != nullptr) DeleteObject(banner_);
  if (font_ != nullptr) DeleteObject(font_);
  if (bold_font_ != nullptr) DeleteObject(bold_font_);
}

void MainWindow::CreateFrame() {
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&frame, kFrameStyle, FALSE);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred on the desktop's work area at first show.
  RECT desktop{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
  const int x = desktop.left + (desktop.right - desktop.left - width) / 2;
  const int y = desktop.top + (desktop.bottom - desktop.top - height) / 2;
  window_ = CreateWindowExA(0, kMainWindowClass, "lobbyfind", kFrameStyle, x, y, width, height, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (window_ == nullptr) throw std::runtime_error("cannot create the main window");
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
}

void MainWindow::ShowBanner() {
  HWND banner = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0, kClientWidth,
                                kBannerHeight, window_, reinterpret_cast<HMENU>(kBannerId),
                                GetModuleHandleA(nullptr), nullptr);
  banner_ = LoadBannerPicture();
  if (banner_ != nullptr) SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner_));
}

void MainWindow::BuildStatusBar() {
  HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                             reinterpret_cast<HMENU>(ControlId(Control::StatusBar)), GetModuleHandleA(nullptr),
                             nullptr);
  SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  const std::array<int, 2> edges = {kClientWidth - kStatusBarPanelWidth, -1};
  SendMessageA(bar, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Status :"));
  SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("100%"));
  Keep(Control::StatusBar, bar);
}

HWND MainWindow::CreatePage(Control control, const char* caption) {
  // Placed over the tab control's display area once the tabs exist.
  HWND page = CreateWindowExA(WS_EX_CONTROLPARENT, kPageClass, caption, WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                              window_,
                              reinterpret_cast<HMENU>(ControlId(control)), GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageProcedure));
  SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Keep(control, page);
  pages_.push_back({control, caption, page, true});
  return page;
}

bool MainWindow::PageVisible(Control page) const {
  for (const Page& p : pages_) {
    if (p.control == page) return p.visible;
  }
  return false;
}

void MainWindow::SetPageVisible(Control page, bool visible) {
  const Control active = ActivePage();
  for (Page& p : pages_) {
    if (p.control == page) p.visible = visible;
  }
  RebuildTabs();
  // A hidden active page gives way to the first shown one.
  SetActivePage(PageVisible(active) ? active : Control::tab_Start);
}

void MainWindow::RebuildTabs() {
  HWND tabs = Child(Control::PageControl1);
  TabCtrl_DeleteAllItems(tabs);
  int index = 0;
  for (Page& p : pages_) {
    if (!p.visible) continue;
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(p.caption);
    item.lParam = static_cast<LPARAM>(p.control);
    SendMessageA(tabs, TCM_INSERTITEMA, index++, reinterpret_cast<LPARAM>(&item));
  }
}

void MainWindow::SetActivePage(Control page) {
  HWND tabs = Child(Control::PageControl1);
  int index = 0;
  for (const Page& p : pages_) {
    if (!p.visible) continue;
    if (p.control == page) TabCtrl_SetCurSel(tabs, index);
    ++index;
  }
  const Control shown = ActivePage();
  for (const Page& p : pages_) ShowWindow(p.window, p.control == shown ? SW_SHOW : SW_HIDE);
}

Control MainWindow::ActivePage() const {
  HWND tabs = Child(Control::PageControl1);
  TCITEMA item{};
  item.mask = TCIF_PARAM;
  const int index = TabCtrl_GetCurSel(tabs);
  if (index < 0 || !TabCtrl_GetItem(tabs, index, &item)) return Control::tab_Start;
  return static_cast<Control>(item.lParam);
}

void MainWindow::SetBackground(HWND control, COLORREF colour) {
  for (BackgroundEntry& entry : backgrounds_) {
    if (entry.control == control) {
      DeleteObject(entry.brush);
      entry = {control, colour, CreateSolidBrush(colour)};
      InvalidateRect(control, nullptr, TRUE);
      return;
    }
  }
  backgrounds_.push_back({control, colour, CreateSolidBrush(colour)});
  InvalidateRect(control, nullptr, TRUE);
}

COLORREF MainWindow::Background(HWND control) const {
  for (const BackgroundEntry& entry : backgrounds_) {
    if (entry.control == control) return entry.colour;
  }
  return GetSysColor(COLOR_BTNFACE);
}

void MainWindow::Hook(HWND control, MessageHook hook) {
  // A control hooked before keeps its one procedure in front: the hooks run
  // in the order they were added, until one swallows the message.
  if (const auto found = HookedControls().find(control); found != HookedControls().end()) {
    HookEntry* hooked = found->second;
    hooked->hook = [first = std::move(hooked->hook), then = std::move(hook)](UINT message, WPARAM wparam,
                                                                              LPARAM lparam) {
      return first(message, wparam, lparam) || then(message, wparam, lparam);
    };
    return;
  }
  auto entry = std::make_unique<HookEntry>();
  entry->hook = std::move(hook);
  // The wide forms: the controls are wide, and an ANSI procedure put in
  // front of one would see its text through the system's code page.
  entry->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
  HookedControls()[control] = entry.get();
  SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProcedure));
  hooks_.push_back(std::move(entry));
}

void MainWindow::Show() {
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

std::unordered_map<HWND, MainWindow::HookEntry*>& MainWindow::HookedControls() {
  static std::unordered_map<HWND, HookEntry*> hooked;
  return hooked;
}

LRESULT CALLBACK MainWindow::HookProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto found = HookedControls().find(window);
  if (found == HookedControls().end()) return DefWindowProcW(window, message, wparam, lparam);
  HookEntry* entry = found->second;
  if (entry->hook(message, wparam, lparam)) return 0;
  return CallWindowProcW(entry->original, window, message, wparam, lparam);
}

LRESULT CALLBACK MainWindow::PageProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    // What the controls on a page report belongs to the main window.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
    case WM_CONTEXTMENU:
      return SendMessageA(GetParent(window), message, wparam, lparam);
    default: return DefWindowProcA(window, message, wparam, lparam);
  }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  return self->Handle(window, message, wparam, lparam);
}

LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (OnCommand && lparam != 0) OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_NOTIFY: return HandleNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_HSCROLL:
      if (OnTrackBarScroll && lparam != 0 && !IsQuiet()) {
        OnTrackBarScroll(GetDlgCtrlID(reinterpret_cast<HWND>(lparam)));
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      for (const BackgroundEntry& entry : backgrounds_) {
        if (entry.control == reinterpret_cast<HWND>(lparam)) return reinterpret_cast<LRESULT>(entry.brush);
      }
      break;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item.CtlType != ODT_LISTBOX) break;
      DrawListEntry(item, font_, bold_font_);
      return TRUE;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == window) break;
      HandleContextMenu(reinterpret_cast<HWND>(wparam), lparam);
      return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY:
      window_ = nullptr;
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      PostQuitMessage(0);
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void MainWindow::HandleContextMenu(HWND control, LPARAM at) {
  char window_class[16] = {};
  GetClassNameA(control, window_class, sizeof window_class);
  if (lstrcmpiA(window_class, "LISTBOX") != 0 || !OnListContextMenu) return;
  int entry = -1;
  if (at == -1) {
    // From the keyboard (the menu key, Shift+F10): the current entry.
    entry = static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0));
  } else {
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ScreenToClient(control, &point);
    const auto hit = static_cast<DWORD>(SendMessageA(control, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y)));
    // The high word says the point lies below the last entry.
    if (HIWORD(hit) == 0) entry = LOWORD(hit);
  }
  OnListContextMenu(GetDlgCtrlID(control), entry < 0 ? -1 : entry);
}

LRESULT MainWindow::HandleNotify(const NMHDR& header) {
  if (header.hwndFrom == Child(Control::PageControl1) && header.code == TCN_SELCHANGE) {
    SetActivePage(ActivePage());
    return 0;
  }
  if (header.code == UDN_DELTAPOS) {
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    if (OnSpinArrows) OnSpinArrows(static_cast<int>(header.idFrom), change.iDelta > 0 ? 1 : -1);
    return 1;  // the box's text is the program's; the arrows only report
  }
  return 0;
}

}  // namespace lobbyfind::win32
