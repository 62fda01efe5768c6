#include "win32/win32_timer.h"

#include "win32/message_window.h"

namespace lobbyfind::win32 {

Win32Timer::Win32Timer()
    : id_(MessageWindow::Instance().Reserve([this](WPARAM, LPARAM) {
        if (enabled_ && OnTimer) OnTimer();
      })) {}

Win32Timer::~Win32Timer() {
  KillTimer(MessageWindow::Instance().Handle(), id_);
  MessageWindow::Instance().Release(id_);
}

void Win32Timer::Start() { SetTimer(MessageWindow::Instance().Handle(), id_, interval_, nullptr); }

void Win32Timer::SetInterval(std::uint32_t ms) {
  interval_ = ms;
  if (enabled_) Start();  // SetTimer on a running id restarts its period
}

void Win32Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    Start();
  } else {
    KillTimer(MessageWindow::Instance().Handle(), id_);
  }
}

}  // namespace lobbyfind::win32
