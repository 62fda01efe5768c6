#include "win32/message_window.h"

#include <map>
#include <memory>
#include <stdexcept>

namespace lobbyfind::win32 {
namespace {

constexpr const char* kClassName = "lobbyfind.messages";

// Routed messages by number; a handler is kept alive while it runs, so it may
// release its own message.
std::map<UINT, std::shared_ptr<MessageWindow::Handler>>& Routes() {
  static std::map<UINT, std::shared_ptr<MessageWindow::Handler>> routes;
  return routes;
}

}  // namespace

MessageWindow& MessageWindow::Instance() {
  static MessageWindow instance;
  return instance;
}

MessageWindow::MessageWindow() {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kClassName;
  RegisterClassA(&window_class);
  window_ = CreateWindowA(kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, window_class.hInstance,
                          nullptr);
  if (window_ == nullptr) throw std::runtime_error("cannot create the message window");
}

UINT MessageWindow::Reserve(Handler handler) {
  UINT message = WM_APP + 1;
  while (Routes().contains(message)) ++message;
  Routes()[message] = std::make_shared<Handler>(std::move(handler));
  return message;
}

void MessageWindow::Release(UINT message) { Routes().erase(message); }

LRESULT CALLBACK MessageWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) {
    // Timers are routed like the other events, by their id.
    message = static_cast<UINT>(wparam);
  }
  if (const auto found = Routes().find(message); found != Routes().end()) {
    const std::shared_ptr<Handler> handler = found->second;
    (*handler)(wparam, lparam);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace lobbyfind::win32
