// A hidden, message-only window that receives the program's own asynchronous
// events (timer ticks, socket events, finished name lookups) through the one
// message loop, so that every port notifies the core on the UI thread.
#pragma once

#include <windows.h>

#include <functional>

namespace lobbyfind::win32 {

class MessageWindow {
 public:
  using Handler = std::function<void(WPARAM, LPARAM)>;

  // The program's one message window, created on first use (UI thread only).
  static MessageWindow& Instance();

  [[nodiscard]] HWND Handle() const { return window_; }
  // Reserves a message number and routes it to `handler`; Release frees it.
  UINT Reserve(Handler handler);
  void Release(UINT message);

  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

 private:
  MessageWindow();
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
};

}  // namespace lobbyfind::win32
