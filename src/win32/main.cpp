// The Windows edition: the game's registry in its 32-bit view, one main
// window over the core, then the message loop until the window closes.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include "platform/win32/win32_registry.h"
#include "win32/win32_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  WSADATA winsock{};
  if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
    MessageBoxA(nullptr, "Windows sockets are not available.", "lobbyfind", MB_OK | MB_ICONERROR);
    return 1;
  }
  // COM for the banner's decoder and the folder dialog.
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int exit_code = 0;
  {
    lobbyfind::platform::Win32Registry registry;
    lobbyfind::win32::Win32App lobby(registry);
    lobby.window().Show();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      // Tab and the arrows move between the controls of a page (a child
      // of the main window that holds controls).
      HWND page = GetAncestor(message.hwnd, GA_PARENT);
      if (page != nullptr && GetParent(page) == lobby.window().Handle() && !lobby.TakesKey(message) &&
          IsDialogMessageA(page, &message)) {
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    exit_code = static_cast<int>(message.wParam);
  }
  CoUninitialize();
  WSACleanup();
  return exit_code;
}
