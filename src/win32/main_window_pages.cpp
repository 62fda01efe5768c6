// The three pages and the helpers that place controls on them. Places and
// sizes match the other edition's window, so both look alike.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <string>

#include "app/control_texts.h"
#include "app/site_links.h"
#include "app/spin_box.h"
#include "win32/control_ids.h"
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

void MainWindow::BuildStartPage() {
  HWND page = CreatePage(Control::tab_Start, "Start");
  const Origin top{page, 0, 0};
  const Origin news = Group(page, "lobbyfind - online news", 8, 6, 340, 396);
  HWND pane = RichText(news, Control::onlinenews, ES_DISABLENOSCROLL, 18, 26, 304, 322);
  SendMessageA(pane, EM_SETBKGNDCOLOR, 0, kNewsBackground);
  SetBackground(pane, kNewsBackground);
  SetRichFormat(pane, {"Courier New", 8, true, kNewsText}, SCF_DEFAULT);
  // The frame around the pane lies behind it (children made later lie lower).
  Keep(Control::newsbackgroundlabel,
       Place(news, "STATIC", "", kChild, 0, 0, 0, 0, ControlId(Control::newsbackgroundlabel)));
  Button(news, kNewsButtonId, "News", 18, 360);

  const Origin login = Group(page, "Login to lobbyfind's", 356, 6, 322, 220);
  Label(login, "Nickname", 14, 30);
  Edit(login, Control::currentplayername, "currentplayername", 0, 100, 26, 206);
  Label(login, "Password *", 14, 62);
  Edit(login, Control::Edit4, "", ES_PASSWORD, 100, 58, 206);
  SendMessageA(Child(Control::Edit4), EM_SETPASSWORDCHAR, '*', 0);
  Keep(Control::Button7, Button(login, ControlId(Control::Button7), "Login", 100, 92));
  Label(login, "* Note : You do not need to use a password, but if your nick is", 14, 132, 296, 36);
  Label(login, "registered already, you need a password.", 14, 170, 296, 20);

  Button(top, kFaqButtonId, "FAQ", 356, 240);
  Button(top, kWwwButtonId, "WWW", 437, 240);
  Button(top, kSecondSiteButtonId, std::string(app::kSecondHost).c_str(), 518, 240, 160);
}

void MainWindow::BuildInternetGamesPage() {
  HWND page = CreatePage(Control::tab_Internetgames, "Internet games");
  const Origin irc = Group(page, "Internet Relay Chat", 8, 4, 670, 246);
  HWND log = RichText(irc, Control::chatlog, ES_DISABLENOSCROLL | WS_BORDER, 8, 20, 500, 190);
  SendMessageA(log, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
  SetBackground(log, RGB(255, 255, 255));
  SetRichFormat(log, {"MS Sans Serif", 8, false, RGB(0, 0, 0)}, SCF_DEFAULT);
  Label(irc, "Players", 516, 18);
  Keep(Control::ListBox2, Place(irc, "LISTBOX", "", kListStyle | LBS_SORT | LBS_EXTENDEDSEL, 516, 34, 146, 124,
                                ControlId(Control::ListBox2), WS_EX_CLIENTEDGE));
  Keep(Control::playershint, Place(irc, "STATIC", "", kChild, 516, 160, 146, 56, ControlId(Control::playershint)));
  Edit(irc, Control::Edit3, std::string(app::kChatInputPlaceholder).c_str(), 0, 8, 216, 500);

  const Origin servers = Group(page, "Running Servers", 8, 254, 670, 148);
  Keep(Control::ListBox1, Place(servers, "LISTBOX", "", kListStyle, 8, 20, 500, 118, ControlId(Control::ListBox1),
                                WS_EX_CLIENTEDGE));
  Keep(Control::Button1, Button(servers, ControlId(Control::Button1), "Connect", 516, 20, 100));
  Keep(Control::Button4, Button(servers, ControlId(Control::Button4), "Host a game", 516, 52, 100));
  Label(servers, "Hint : Connect, with Dbl-Click", 516, 90);
}

void MainWindow::BuildOptionsPage() {
  HWND page = CreatePage(Control::tab_Options, "Options");
  const Origin game = Group(page, "Create Game Options", 8, 6, 330, 236);
  Label(game, "Gamemode", 14, 30);
  HWND mode = Place(game, "COMBOBOX", "", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 110, 26, 200, 120,
                    ControlId(Control::currentgamemode));
  for (const char* item : {"Fragspiel", "Punktespiel", "Reihenspiel"}) {
    SendMessageA(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessageA(mode, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  Keep(Control::currentgamemode, mode);
  Label(game, "Gamespeed", 14, 64);
  HWND speed = Place(game, TRACKBAR_CLASSA, "", kChild | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM, 110,
                     58, 200, 30, ControlId(Control::currentgamespeed));
  SendMessageA(speed, TBM_SETRANGE, FALSE, MAKELPARAM(0, 2));
  SendMessageA(speed, TBM_SETPAGESIZE, 0, 1);
  SendMessageA(speed, TBM_SETPOS, TRUE, 1);
  Keep(Control::currentgamespeed, speed);
  Label(game, "Fraglimit", 14, 100);
  SpinBox(game, Control::currentfraglimit, 110, 96, 120);
  Label(game, "Scorelimit", 14, 132);
  SpinBox(game, Control::currentscorelimit, 110, 128, 120);
  Label(game, "Gametime", 14, 164);
  SpinBox(game, Control::currentgametimelimit, 110, 160, 120);
  CheckBox(game, Control::currentpoliceenabled, "Police enabled", 14, 198, 200);

  const Origin general = Group(page, "General Options", 346, 6, 332, 236);
  Label(general, "gta-Directory", 14, 30);
  Edit(general, Control::currentgtadirectory, "currentgtadirectory", ES_READONLY, 14, 48, 266);
  Keep(Control::Button6, Button(general, ControlId(Control::Button6), "...", 286, 47, 30, 24));
  CheckBox(general, Control::currentshowplayernames, "Show player names", 14, 84, 300);
  CheckBox(general, Control::timestampinchat, "Show timestamp in lobbyfind-chat", 14, 110, 300);
  CheckBox(general, Control::keepselectionafterwhisper, "Keep selection after whispering", 14, 136, 300);
  Label(general, "Serverlist refreshs (in ms) ", 14, 174);
  SpinBox(general, Control::serverlistrefreshtime, 190, 170, 120);
}

}  // namespace lobbyfind::win32
