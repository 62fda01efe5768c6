// The three pages, built from the window's layout table (app/window_layout.h),
// the same table the other edition builds from, so both look alike.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/spin_box.h"
#include "app/window_layout.h"
#include "win32/control_ids.h"
#include "win32/game_list_drawing.h"
#include "win32/main_window.h"
#include "win32/rich_text.h"
#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {

using app::Control;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int kEditHeight = 22;
constexpr COLORREF kNewsBackground = RGB(23, 28, 57);
constexpr COLORREF kNewsText = RGB(149, 149, 149);
constexpr int kListStyle = kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
constexpr int kDropDownListHeight = 120;

}  // namespace

HWND MainWindow::Place(const Origin& at, const char* window_class, const char* text, DWORD style, int x, int y,
                       int width, int height, int id, DWORD ex_style) {
  // Wide controls: they hold any text the core's text rule shows.
  HWND child = CreateWindowExW(ex_style, Wide(window_class).c_str(), Wide(text).c_str(), style, at.x + x, at.y + y,
                               width, height, at.page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return child;
}

MainWindow::Origin MainWindow::Group(HWND page, const char* title, int x, int y, int width, int height) {
  HWND frame = Place({page, 0, 0}, "BUTTON", title, kChild | BS_GROUPBOX, x, y, width, height);
  // Behind the controls that sit in it.
  SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return {page, x, y};
}

void MainWindow::Label(const Origin& at, const char* text, int x, int y, int width, int height) {
  if (width == 0) {
    // As wide as its text.
    HDC dc = GetDC(at.page);
    HGDIOBJ old = SelectObject(dc, font_);
    SIZE size{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::char_traits<char>::length(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(at.page, dc);
    width = size.cx + 2;
  }
  Place(at, "STATIC", text, kChild, x, y, width, height);
}

HWND MainWindow::Button(const Origin& at, int id, const char* caption, int x, int y, int width, int height) {
  return Place(at, "BUTTON", caption, kChild | WS_TABSTOP | BS_PUSHBUTTON, x, y, width, height, id);
}

HWND MainWindow::CheckBox(const Origin& at, Control c, const char* caption, int x, int y, int width) {
  HWND box = Place(at, "BUTTON", caption, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, x, y, width, 18, ControlId(c));
  Keep(c, box);
  return box;
}

HWND MainWindow::Edit(const Origin& at, Control c, const char* text, DWORD style, int x, int y, int width) {
  HWND edit = Place(at, "EDIT", text, kChild | WS_TABSTOP | ES_AUTOHSCROLL | style, x, y, width, kEditHeight,
                    ControlId(c), WS_EX_CLIENTEDGE);
  Keep(c, edit);
  return edit;
}

void MainWindow::SpinBox(const Origin& at, Control c, int x, int y, int width) {
  const app::SpinRange range = *app::SpinBoxRange(c);
  HWND edit = Edit(at, c, std::to_string(range.initial).c_str(), 0, x, y, width);
  HWND arrows = Place(at, UPDOWN_CLASSA, "", kChild | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 0, 0, 0, SpinArrowsId(c));
  SendMessageA(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  SendMessageA(arrows, UDM_SETRANGE32, static_cast<WPARAM>(range.min), range.max);
}

HWND MainWindow::RichText(const Origin& at, Control c, DWORD style, int x, int y, int width, int height) {
  HWND text = Place(at, "RichEdit20W", "", kChild | WS_VSCROLL | ES_MULTILINE | ES_READONLY | style, x, y, width,
                    height, ControlId(c));
  Keep(c, text);
  return text;
}

void MainWindow::BuildPage(HWND page, Control which) {
  std::vector<std::pair<std::string_view, Origin>> frames;
  for (const app::Placement& p : app::WindowLayout()) {
    if (p.page != which) continue;
    Origin at{page, 0, 0};
    for (const auto& [caption, origin] : frames) {
      if (caption == p.frame) at = origin;
    }
    const std::string caption(p.caption);
    const app::Rect& r = p.place;
    const int id = ControlIdByName(p.name);
    HWND made = nullptr;
    switch (p.kind) {
      case app::ControlKind::Frame:
        frames.emplace_back(p.caption, Group(page, caption.c_str(), r.left, r.top, r.width, r.height));
        break;
      case app::ControlKind::Label:
        if (p.name.empty()) {
          Label(at, caption.c_str(), r.left, r.top, r.width, r.height);
        } else {
          made = Place(at, "STATIC", caption.c_str(), kChild, r.left, r.top, r.width, r.height, id);
        }
        break;
      case app::ControlKind::Button: made = Button(at, id, caption.c_str(), r.left, r.top, r.width, r.height); break;
      case app::ControlKind::Edit:
        made = Edit(at, *p.control, caption.c_str(), 0, r.left, r.top, r.width);
        // A greyed hint while empty, where the system's edit shows one.
        if (!p.cue.empty()) {
          SendMessageW(made, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(Wide(std::string(p.cue)).c_str()));
        }
        break;
      case app::ControlKind::PasswordEdit:
        made = Edit(at, *p.control, caption.c_str(), ES_PASSWORD, r.left, r.top, r.width);
        SendMessageA(made, EM_SETPASSWORDCHAR, '*', 0);
        break;
      case app::ControlKind::ReadOnlyEdit:
        made = Edit(at, *p.control, caption.c_str(), ES_READONLY, r.left, r.top, r.width);
        break;
      case app::ControlKind::CheckBox: made = CheckBox(at, *p.control, caption.c_str(), r.left, r.top, r.width); break;
      case app::ControlKind::SpinBox: SpinBox(at, *p.control, r.left, r.top, r.width); break;
      case app::ControlKind::TrackBar:
        made = Place(at, TRACKBAR_CLASSA, "", kChild | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM, r.left,
                     r.top, r.width, r.height, id);
        SendMessageA(made, TBM_SETRANGE, FALSE, MAKELPARAM(p.min, p.max));
        SendMessageA(made, TBM_SETPAGESIZE, 0, 1);
        SendMessageA(made, TBM_SETPOS, TRUE, p.initial);
        break;
      case app::ControlKind::DropDown:
        // A combo box's height is its height with the list open.
        made = Place(at, "COMBOBOX", "", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, r.left, r.top,
                     r.width, kDropDownListHeight, id);
        for (const std::string_view item : p.items) {
          SendMessageA(made, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(item).c_str()));
        }
        SendMessageA(made, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        break;
      case app::ControlKind::List:
      case app::ControlKind::SortedList: {
        // The game list draws its entries itself, each in its look; it keeps
        // its strings, so text, selection and notifications stay a list box's.
        const DWORD kind = p.kind == app::ControlKind::SortedList ? LBS_SORT | LBS_EXTENDEDSEL
                                                                  : LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
        made = Place(at, "LISTBOX", "", kListStyle | kind, r.left, r.top, r.width, r.height, id, WS_EX_CLIENTEDGE);
        if (p.kind == app::ControlKind::List) {
          SendMessageA(made, LB_SETITEMHEIGHT, 0, ListEntryHeight(made, font_));
        }
        break;
      }
      case app::ControlKind::RichText:
        // The news pane has no border: a label behind it frames it.
        made = RichText(at, *p.control, ES_DISABLENOSCROLL | (p.control == Control::onlinenews ? 0 : WS_BORDER),
                        r.left, r.top, r.width, r.height);
        break;
    }
    if (made != nullptr && p.control) Keep(*p.control, made);
  }
}

// The looks of the two text views: their colours, their fonts from the table.
void MainWindow::StyleTextView(Control c, COLORREF background, COLORREF text) {
  HWND view = Child(c);
  SendMessageA(view, EM_SETBKGNDCOLOR, 0, background);
  SetBackground(view, background);
  const app::FontStyle font = app::FindPlacement(c == Control::chatlog ? "chatlog" : "onlinenews")->font.value();
  const std::string face(font.face);
  SetRichFormat(view, {face.c_str(), font.points, font.bold, text}, SCF_DEFAULT);
}

void MainWindow::BuildStartPage() {
  BuildPage(CreatePage(Control::tab_Start, "Start"), Control::tab_Start);
  StyleTextView(Control::onlinenews, kNewsBackground, kNewsText);
}

void MainWindow::BuildInternetGamesPage() {
  BuildPage(CreatePage(Control::tab_Internetgames, "Internet games"), Control::tab_Internetgames);
  StyleTextView(Control::chatlog, RGB(255, 255, 255), RGB(0, 0, 0));
}

void MainWindow::BuildOptionsPage() { BuildPage(CreatePage(Control::tab_Options, "Options"), Control::tab_Options); }

}  // namespace lobbyfind::win32
