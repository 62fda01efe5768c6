#include "win32/win32_app.h"

#include <windows.h>
#include <commctrl.h>

#include <windowsx.h>
#include <richedit.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "app/chat_links.h"
#include "app/spin_box.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_windows.h"
#include "win32/control_ids.h"
#include "win32/win32_tcp_connection.h"
#include "win32/win32_tcp_listener.h"
#include "win32/win32_timer.h"
#include "win32/win32_udp_sender.h"
#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {

using app::Control;

constexpr Control kSpinBoxes[] = {Control::currentfraglimit, Control::currentscorelimit,
                                  Control::currentgametimelimit, Control::serverlistrefreshtime};
constexpr Control kCheckBoxes[] = {Control::currentpoliceenabled, Control::currentshowplayernames,
                                   Control::timestampinchat,      Control::keepselectionafterwhisper,
                                   Control::notifynewgames,       Control::notifywhispers,
                                   Control::notifymynick,         Control::upnp,
                                   Control::sortgamesbytime};

bool PlainKey() {
  return GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
}

// The chat-log line under a point of the log (client coordinates) as shown,
// in UTF-8, and the byte of it there; nothing off the text. A line is a
// paragraph: one that wraps is still one line.
std::optional<std::pair<std::string, std::size_t>> ChatLogTextAt(HWND log, LPARAM point) {
  POINTL at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  const auto index =
      static_cast<std::size_t>(SendMessageW(log, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at)));
  GETTEXTLENGTHEX how_long{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const auto length = SendMessageW(log, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how_long), 0);
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
  GETTEXTEX how{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
  text.resize(static_cast<std::size_t>(SendMessageW(log, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                                                    reinterpret_cast<LPARAM>(text.data()))));
  if (index >= text.size() || text[index] == L'\r') return std::nullopt;
  const std::size_t before = text.rfind(L'\r', index);
  const std::size_t start = before == std::wstring::npos ? 0 : before + 1;
  const std::size_t end = std::min(text.find(L'\r', index), text.size());
  const std::wstring_view line = std::wstring_view(text).substr(start, end - start);
  return std::make_pair(Utf8(line), Utf8(line.substr(0, index - start)).size());
}

}  // namespace

Win32App::Win32App(game::RegistryBackend& registry, ports::Shell* shell)
    : view_(window_), notifier_(window_.Handle()) {
  windows_ = std::make_unique<platform::Win32Windows>();
  game_ = std::make_unique<game::GameBridge>(registry, *windows_, clock_);
  game_->UseHiddenFileTest(platform::IsHiddenOrSystemFile);
  app::FormDeps deps;
  deps.view = &view_;
  deps.make_timer = [] { return std::make_unique<Win32Timer>(); };
  deps.clock = &clock_;
  deps.shell = shell != nullptr ? shell : &shell_;
  deps.make_tcp_connection = [] { return std::make_unique<Win32TcpConnection>(); };
  deps.make_udp_sender = [] { return std::make_unique<Win32UdpSender>(); };
  deps.make_tcp_listener = [] { return std::make_unique<Win32TcpListener>(); };
  deps.game = game_.get();
  deps.notifier = &notifier_;
  running_.emplace(std::move(deps), std::nullopt, [this](app::TForm1& form) {
    form_ = &form;
    ConnectCommands();
    ConnectHooks();
    ConnectChatAids();
  });
}

Win32App::~Win32App() { running_.reset(); }

void Win32App::ConnectCommands() {
  window_.OnCommand = [this](int id, int code) { Command(id, code); };
  window_.OnTrackBarScroll = [this](int id) {
    if (id != ControlId(Control::currentgamespeed) || !view_.SpeedMovedByUser()) return;
    form_->ControlChanged(Control::currentgamespeed);
  };
  window_.OnSpinArrows = [this](int id, int step) {
    for (Control c : kSpinBoxes) {
      if (SpinArrowsId(c) != id) continue;
      const std::int32_t next = app::SpinBoxStep(view_.Text(c), *app::SpinBoxRange(c), step);
      view_.SetText(c, std::to_string(next));
      form_->ControlChanged(c);
    }
  };
  window_.OnListContextMenu = [this](int id, int entry) {
    if (id == ControlId(Control::ListBox1)) form_->ListBox1ContextMenu(entry);
  };
}

void Win32App::Command(int id, int code) {
  app::TForm1& form = *form_;
  switch (id) {
    case kNewsButtonId:
      form.NewsButtonClick();
      return;
    case kFaqButtonId:
      form.FaqButtonClick();
      return;
    case kWwwButtonId:
      form.WwwButtonClick();
      return;
    case kSecondSiteButtonId:
      form.SecondSiteButtonClick();
      return;
    case kCheckPortsButtonId:
      form.CheckPortsButtonClick();
      return;
    default:
      break;
  }
  const auto c = static_cast<Control>(id - kControlIdBase);
  switch (c) {
    case Control::Button1:
    case Control::Button4:
    case Control::Button6:
    case Control::Button7:
      if (code != BN_CLICKED) return;
      if (c == Control::Button1) form.Button1Click();
      if (c == Control::Button4) form.Button4Click();
      if (c == Control::Button6) form.Button6Click();
      if (c == Control::Button7) form.Button7Click();
      return;
    case Control::ListBox1:
      if (code == LBN_DBLCLK) form.Button1Click();
      return;
    case Control::currentgamemode:
      if (code == CBN_SELCHANGE && !window_.IsQuiet()) form.ControlChanged(c);
      return;
    case Control::currentplayername:
    case Control::gamefilter:
      if (code == EN_CHANGE && !window_.IsQuiet()) form.ControlChanged(c);
      return;
    default:
      break;
  }
  if (std::ranges::find(kSpinBoxes, c) != std::end(kSpinBoxes)) {
    if (code == EN_CHANGE && !window_.IsQuiet()) form.ControlChanged(c);
    if (code == EN_KILLFOCUS) form.SpinBoxExit(c);
  } else if (std::ranges::find(kCheckBoxes, c) != std::end(kCheckBoxes)) {
    if (code == BN_CLICKED && !window_.IsQuiet()) form.ControlClicked(c);
  }
}

void Win32App::ConnectHooks() {
  app::TForm1* form = form_;
  for (Control c : kCheckBoxes) {
    window_.Hook(window_.Child(c), [form, c](UINT message, WPARAM, LPARAM) {
      if (message == WM_KEYUP) form->ControlKeyUp(c);
      return false;
    });
  }
  window_.Hook(window_.Child(Control::currentgtadirectory), [form](UINT message, WPARAM, LPARAM) {
    if (message != WM_LBUTTONDBLCLK) return false;
    form->Button6Click();
    return true;
  });
  window_.Hook(window_.Child(Control::Edit3), [form](UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
      case WM_LBUTTONDOWN:
        form->Edit3MouseDown();
        break;
      case WM_LBUTTONUP:
        form->Edit3MouseUp();
        form->Edit3Click();
        break;
      case WM_LBUTTONDBLCLK:
        form->Edit3DblClick();
        break;
      case WM_KEYUP:
        return form->Edit3KeyUp(wparam == VK_RETURN ? app::Key::Enter : app::Key::Other);
      case WM_CHAR:
        // Enter is the core's (on its release); the edit would only beep.
        return wparam == '\r';
      default:
        break;
    }
    return false;
  });
}

}  // namespace lobbyfind::win32

namespace lobbyfind::win32 {

bool Win32App::TakesKey(const MSG& message) const {
  return message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
         message.hwnd == window_.Child(Control::Edit3) && PlainKey();
}

void Win32App::ConnectChatAids() {
  app::TForm1* form = form_;
  HWND input = window_.Child(Control::Edit3);
  window_.Hook(input, [form, input](UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_CHAR) return wparam == '\t';  // the edit would only beep
    if (message != WM_KEYDOWN || !PlainKey()) return false;
    app::Key key = app::Key::Other;
    if (wparam == VK_TAB) key = app::Key::Tab;
    if (wparam == VK_UP) key = app::Key::Up;
    if (wparam == VK_DOWN) key = app::Key::Down;
    if (key == app::Key::Other) return false;
    if (!form->Edit3KeyDown(key)) {
      // A Tab the chat did not take moves on, as the page's keyboard
      // navigation (which it bypassed) would have.
      if (key == app::Key::Tab) SetFocus(GetNextDlgTabItem(GetParent(input), input, FALSE));
      return key == app::Key::Tab;
    }
    // Typing goes on at the end of the completed or recalled line.
    const int end = GetWindowTextLengthW(input);
    SendMessageW(input, EM_SETSEL, static_cast<WPARAM>(end), end);
    return true;
  });
  HWND log = window_.Child(Control::chatlog);
  window_.Hook(log, [form, log](UINT message, WPARAM, LPARAM lparam) {
    if (message == WM_SETCURSOR) {
      // A web address shows the hand a browser shows over a link.
      POINT pointer{};
      GetCursorPos(&pointer);
      ScreenToClient(log, &pointer);
      const auto at = ChatLogTextAt(log, MAKELPARAM(pointer.x, pointer.y));
      if (!at || !app::LinkAt(at->first, at->second)) return false;
      SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
      return true;
    }
    if (message != WM_LBUTTONUP) return false;
    CHARRANGE selected{};
    SendMessageW(log, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selected));
    // A drag that selected text is a selection, not a click on an address.
    if (selected.cpMin != selected.cpMax) return false;
    if (const auto at = ChatLogTextAt(log, lparam)) form->ChatLogClicked(at->first, at->second);
    return false;
  });
}

}  // namespace lobbyfind::win32
