#include "win32/win32_view.h"

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include <shlobj.h>

#include "app/screen_text.h"
#include "win32/game_list_drawing.h"
#include "win32/input_dialog.h"
#include "win32/rich_text.h"
#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {

using app::Control;

constexpr const char* kNewsFace = "Courier New";

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

COLORREF ToColorref(app::Rgb c) { return RGB(c.r, c.g, c.b); }
app::Rgb ToRgb(COLORREF c) {
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

bool IsTrackBar(Control c) { return c == Control::currentgamespeed; }
bool IsMultiSelect(Control c) { return c == Control::ListBox2; }
bool IsSorted(Control c) { return c == Control::ListBox2; }
bool IsRichText(Control c) { return c == Control::onlinenews || c == Control::chatlog; }

// Puts an entry into a list, in its sorted place when the list sorts, else
// at `index` (-1: at the end); returns where it went.
int InsertEntry(HWND list, std::string_view bytes, bool sorted, int index) {
  const std::wstring shown = Wide(app::ShownText(bytes));
  const LRESULT at = sorted ? SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()))
                            : SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                                           reinterpret_cast<LPARAM>(shown.c_str()));
  return static_cast<int>(at);
}

}  // namespace

Win32View::Win32View(MainWindow& window)
    : window_(window),
      chat_log_(window.Child(Control::chatlog)),
      panel_widths_{MainWindow::kClientWidth - MainWindow::kStatusBarPanelWidth, MainWindow::kStatusBarPanelWidth} {}

std::string Win32View::Text(Control c) const { return shown_.Bytes(c, WindowText(Child(c))); }

void Win32View::SetText(Control c, std::string_view text) {
  const MainWindow::Quiet quiet(window_);
  SetWindowTextW(Child(c), Wide(app::ShownText(text)).c_str());
  // What the control shows now stands for these bytes until the user edits it.
  shown_.Remember(c, text, WindowText(Child(c)));
}

bool Win32View::Checked(Control c) const { return SendMessageA(Child(c), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Win32View::SetChecked(Control c, bool checked) {
  const MainWindow::Quiet quiet(window_);
  SendMessageA(Child(c), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32View::Position(Control c) const {
  if (IsTrackBar(c)) return static_cast<int>(SendMessageA(Child(c), TBM_GETPOS, 0, 0));
  return static_cast<int>(SendMessageA(Child(c), CB_GETCURSEL, 0, 0));  // CB_ERR is -1: none
}

void Win32View::SetPosition(Control c, int position) {
  const MainWindow::Quiet quiet(window_);
  if (IsTrackBar(c)) {
    SendMessageA(Child(c), TBM_SETPOS, TRUE, position);
    speed_known_ = static_cast<int>(SendMessageA(Child(c), TBM_GETPOS, 0, 0));
  } else {
    SendMessageA(Child(c), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
  }
}

bool Win32View::SpeedMovedByUser() {
  const int position = Position(Control::currentgamespeed);
  if (position == speed_known_) return false;
  speed_known_ = position;
  return true;
}

std::vector<std::string> Win32View::Items(Control c) const {
  // The bytes of each entry, kept beside the list in its order: entries are
  // only ever put in by the program, never edited by the user.
  const auto it = items_.find(c);
  return it == items_.end() ? std::vector<std::string>() : it->second;
}

void Win32View::SetItems(Control c, const std::vector<std::string>& items) {
  const MainWindow::Quiet quiet(window_);
  HWND list = Child(c);
  auto& bytes = items_[c];
  bytes.clear();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    const int at = InsertEntry(list, item, IsSorted(c), -1);
    if (at >= 0) bytes.insert(bytes.begin() + at, item);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void Win32View::SetItem(Control c, int index, std::string_view text) {
  auto& bytes = items_[c];
  if (index < 0 || index >= static_cast<int>(bytes.size())) return;
  const MainWindow::Quiet quiet(window_);
  HWND list = Child(c);
  // A list box has no "set text": the entry is taken out and put back, in
  // its sorted place when the list sorts, with its selection and its look.
  const bool selected = Selected(c, index);
  const LRESULT look = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  bytes.erase(bytes.begin() + index);
  const int at = InsertEntry(list, text, IsSorted(c), index);
  if (at < 0) return;
  bytes.insert(bytes.begin() + at, std::string(text));
  if (look != LB_ERR) SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), look);
  if (selected) SetSelected(c, at, true);
}

void Win32View::AddItem(Control c, std::string_view text) {
  const MainWindow::Quiet quiet(window_);
  // A sorted list box (LBS_SORT) puts the entry in its place itself.
  const int at = InsertEntry(Child(c), text, IsSorted(c), -1);
  auto& bytes = items_[c];
  if (at >= 0) bytes.insert(bytes.begin() + at, std::string(text));
}

void Win32View::DeleteItem(Control c, int index) {
  const MainWindow::Quiet quiet(window_);
  auto& bytes = items_[c];
  if (index < 0 || index >= static_cast<int>(bytes.size())) return;
  SendMessageW(Child(c), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  bytes.erase(bytes.begin() + index);
}

app::ItemStyle Win32View::ItemStyleAt(Control c, int index) const {
  if (index < 0 || index >= static_cast<int>(Items(c).size())) return {};
  return UnpackItemStyle(SendMessageW(Child(c), LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void Win32View::SetItemStyle(Control c, int index, const app::ItemStyle& style) {
  if (index < 0 || index >= static_cast<int>(Items(c).size())) return;
  HWND list = Child(c);
  SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), PackItemStyle(style));
  RECT area{};
  if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&area)) != LB_ERR) {
    InvalidateRect(list, &area, TRUE);
  }
}

bool Win32View::Selected(Control c, int index) const {
  if (IsMultiSelect(c)) return SendMessageA(Child(c), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
  return index >= 0 && SendMessageA(Child(c), LB_GETCURSEL, 0, 0) == index;
}

void Win32View::SetSelected(Control c, int index, bool selected) {
  const MainWindow::Quiet quiet(window_);
  HWND list = Child(c);
  if (IsMultiSelect(c)) {
    SendMessageA(list, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
  } else if (selected) {
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  } else if (Selected(c, index)) {
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

void Win32View::SetPageVisible(Control page, bool visible) { window_.SetPageVisible(page, visible); }
bool Win32View::PageVisible(Control page) const { return window_.PageVisible(page); }
void Win32View::SetActivePage(Control page) { window_.SetActivePage(page); }
Control Win32View::ActivePage() const { return window_.ActivePage(); }

int Win32View::ChatLogLineCount() const { return chat_log_.LineCount(); }

void Win32View::ChatLogDeleteFirstLine() { chat_log_.DeleteFirstLine(); }

void Win32View::ChatLogAppend(std::string_view text, app::Rgb colour) { chat_log_.Append(text, colour); }

void Win32View::ChatLogClear() { chat_log_.Clear(); }

void Win32View::NewsAppend(std::string_view text, const app::TextFormat& format) {
  const RichFormat rich{kNewsFace, format.point_size, format.bold, ToColorref(format.colour)};
  (void)RichAppendLine(Child(Control::onlinenews), app::ShownText(text), rich, news_empty_);
  news_empty_ = false;
}

std::string Win32View::StatusPanelText(int panel) const {
  HWND bar = window_.StatusBar();
  const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0));
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  const std::string shown = Utf8(text);
  const auto& [bytes, was_shown] = panels_.at(panel == 0 ? 0 : 1);
  return shown == was_shown ? bytes : shown;
}

void Win32View::SetStatusPanelText(int panel, std::string_view text) {
  const std::string shown = app::ShownText(text);
  SendMessageW(window_.StatusBar(), SB_SETTEXTW, static_cast<WPARAM>(panel),
               reinterpret_cast<LPARAM>(Wide(shown).c_str()));
  panels_.at(panel == 0 ? 0 : 1) = {std::string(text), shown};
}

void Win32View::RepaintStatusBar() { RedrawWindow(window_.StatusBar(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void Win32View::SetStatusPanelWidth(int panel, int width) {
  if (panel < 0 || panel > 1) return;
  panel_widths_.at(static_cast<std::size_t>(panel)) = width;
  const std::array<int, 2> edges = {panel_widths_[0], panel_widths_[0] + panel_widths_[1]};
  SendMessageA(window_.StatusBar(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

app::Rect Win32View::Bounds(Control c) const {
  HWND control = Child(c);
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32View::SetBounds(Control c, const app::Rect& bounds) {
  MoveWindow(Child(c), bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
}

app::Rgb Win32View::BackgroundColour(Control c) const { return ToRgb(window_.Background(Child(c))); }

void Win32View::SetBackgroundColour(Control c, app::Rgb colour) {
  if (IsRichText(c)) SendMessageA(Child(c), EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ToColorref(colour)));
  window_.SetBackground(Child(c), ToColorref(colour));
}

void Win32View::ShowMessage(std::string_view text) {
  // Wide text: the program's own texts are UTF-8 (the German registry
  // messages among them), network text is shown by the one text rule.
  MessageBoxW(window_.Handle(), Wide(app::ShownText(text)).c_str(), L"lobbyfind", MB_OK);
}

std::string Win32View::InputQuery(std::string_view caption, std::string_view prompt, std::string_view initial) {
  const std::string suggested = app::ShownText(initial);
  const auto answer =
      AskLine(window_.Handle(), app::ShownText(caption), app::ShownText(prompt), suggested);
  // An answer left as suggested comes back as the suggestion's bytes; an
  // edited one goes to the chat server, as UTF-8.
  if (!answer || *answer == suggested) return std::string(initial);
  return app::TypedBytes(*answer, app::TextTarget::kChat).value_or(std::string(initial));
}

std::optional<std::string> Win32View::BrowseFolder(std::string_view title) {
  const std::wstring heading = Wide(app::ShownText(title));
  BROWSEINFOW browse{};
  browse.hwndOwner = window_.Handle();
  browse.lpszTitle = heading.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return std::nullopt;
  std::wstring path(MAX_PATH, L'\0');
  const bool ok = SHGetPathFromIDListW(chosen, path.data()) != FALSE;
  CoTaskMemFree(chosen);
  if (!ok) return std::nullopt;
  path.resize(std::char_traits<wchar_t>::length(path.c_str()));
  // The game's folder is one of the game's values, kept in its code page; a
  // folder whose name that cannot hold is refused as a typed one would be.
  auto bytes = app::TypedBytes(Utf8(path), app::TextTarget::kGame);
  if (!bytes) ShowMessage(app::UnholdableTextMessage(app::TextTarget::kGame));
  return bytes;
}

std::optional<int> Win32View::PopupMenu(const std::vector<std::string>& entries) {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return std::nullopt;
  // Command ids from 1: 0 is what the menu returns when dismissed.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    AppendMenuW(menu, MF_STRING, i + 1, Wide(app::ShownText(entries[i])).c_str());
  }
  POINT at{};
  GetCursorPos(&at);
  // The owner must be in the foreground, or the menu would not close when
  // the user clicks elsewhere.
  SetForegroundWindow(window_.Handle());
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0,
                                    window_.Handle(), nullptr);
  DestroyMenu(menu);
  if (chosen <= 0) return std::nullopt;
  return chosen - 1;
}

}  // namespace lobbyfind::win32
