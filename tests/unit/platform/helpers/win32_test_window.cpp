// A stand-in for the game's window on Windows: opens a top-level window with
// the title given as the first argument, signals the event named by the
// second argument once the window exists, and runs until it is ended from
// outside. After a minute it gives up and exits with code 3, so a failed test
// leaves nothing behind.
#include <windows.h>

namespace {

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpMs = 60000;
constexpr int kGaveUp = 3;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) PostQuitMessage(kGaveUp);
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "lobbyfind test window";
  if (RegisterClassA(&window_class) == 0) return 1;
  HWND window = CreateWindowA(window_class.lpszClassName, argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                              nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) return 1;
  SetTimer(window, kGiveUpTimer, kGiveUpMs, nullptr);
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
  if (ready == nullptr) return 1;
  SetEvent(ready);
  CloseHandle(ready);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return static_cast<int>(message.wParam);
}
