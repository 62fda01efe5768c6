#include "win32/win32_app.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "app/spin_box.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_windows.h"
#include "win32/control_ids.h"
#include "win32/win32_tcp_connection.h"
#include "win32/win32_tcp_listener.h"
#include "win32/win32_timer.h"
#include "win32/win32_udp_sender.h"

namespace lobbyfind::win32 {
namespace {

using app::Control;

constexpr Control kSpinBoxes[] = {Control::currentfraglimit, Control::currentscorelimit,
                                  Control::currentgametimelimit, Control::serverlistrefreshtime};
constexpr Control kCheckBoxes[] = {Control::currentpoliceenabled, Control::currentshowplayernames,
                                   Control::timestampinchat, Control::keepselectionafterwhisper,
                                   Control::upnp};

}  // namespace

Win32App::Win32App(game::RegistryBackend& registry) : view_(window_) {
  windows_ = std::make_unique<platform::Win32Windows>();
  game_ = std::make_unique<game::GameBridge>(registry, *windows_, clock_);
  game_->UseHiddenFileTest(platform::IsHiddenOrSystemFile);
  app::FormDeps deps;
  deps.view = &view_;
  deps.make_timer = [] { return std::make_unique<Win32Timer>(); };
  deps.clock = &clock_;
  deps.shell = &shell_;
  deps.make_tcp_connection = [] { return std::make_unique<Win32TcpConnection>(); };
  deps.make_udp_sender = [] { return std::make_unique<Win32UdpSender>(); };
  deps.make_tcp_listener = [] { return std::make_unique<Win32TcpListener>(); };
  deps.game = game_.get();
  running_.emplace(std::move(deps), std::nullopt, [this](app::TForm1& form) {
    form_ = &form;
    ConnectCommands();
    ConnectHooks();
  });
}

Win32App::~Win32App() {
  running_.reset();
}

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
}

void Win32App::Command(int id, int code) {
  app::TForm1& form = *form_;
  switch (id) {
    case kNewsButtonId: form.NewsButtonClick(); return;
    case kFaqButtonId: form.FaqButtonClick(); return;
    case kWwwButtonId: form.WwwButtonClick(); return;
    case kSecondSiteButtonId: form.SecondSiteButtonClick(); return;
    case kCheckPortsButtonId: form.CheckPortsButtonClick(); return;
    default: break;
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
      if (code == EN_CHANGE && !window_.IsQuiet()) form.ControlChanged(c);
      return;
    default: break;
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
      case WM_LBUTTONDOWN: form->Edit3MouseDown(); break;
      case WM_LBUTTONUP:
        form->Edit3MouseUp();
        form->Edit3Click();
        break;
      case WM_LBUTTONDBLCLK: form->Edit3DblClick(); break;
      case WM_KEYUP: return form->Edit3KeyUp(wparam == VK_RETURN ? app::Key::Enter : app::Key::Other);
      case WM_CHAR:
        // Enter is the core's (on its release); the edit would only beep.
        return wparam == '\r';
      default: break;
    }
    return false;
  });
}

}  // namespace lobbyfind::win32
