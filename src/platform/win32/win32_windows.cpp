#include "platform/win32/win32_windows.h"

#include <windows.h>

#include <string>

namespace lobbyfind::platform {

bool Win32Windows::IsWindowOpen(std::string_view title) {
  return FindWindowA(nullptr, std::string(title).c_str()) != nullptr;
}

bool Win32Windows::KillWindowProcess(std::string_view title) {
  HWND window = FindWindowA(nullptr, std::string(title).c_str());
  if (window == nullptr) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  // Only the right to terminate is asked for: all access rights are refused
  // more often and add nothing here. Failures are not reported.
  if (pid != 0 && pid != GetCurrentProcessId()) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
      TerminateProcess(process, 0);
      CloseHandle(process);
    }
  }
  return true;
}

}  // namespace lobbyfind::platform
