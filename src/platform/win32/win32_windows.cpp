#include "platform/win32/win32_windows.h"

#include <windows.h>

#include <string>

namespace lobbyfind::platform {
namespace {

// The full path of the process's program, empty when it cannot be had (a
// process of another user, one already ended).
std::string ImagePath(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return {};
  char path[MAX_PATH * 2];
  DWORD size = sizeof path;
  std::string image;
  if (QueryFullProcessImageNameA(process, 0, path, &size)) image.assign(path, size);
  CloseHandle(process);
  return image;
}

// The process of the first top-level window with this title whose program
// the test accepts: 0 when there is none.
DWORD FindGameWindowProcess(std::string_view title, const game::ProgramTest& is_game) {
  const std::string wanted(title);
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, nullptr, wanted.c_str())) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0) continue;
    const std::string image = ImagePath(pid);
    if (!image.empty() && is_game(image)) return pid;
  }
  return 0;
}

}  // namespace

bool Win32Windows::IsWindowOpen(std::string_view title, const game::ProgramTest& is_game) {
  return FindGameWindowProcess(title, is_game) != 0;
}

bool Win32Windows::KillWindowProcess(std::string_view title, const game::ProgramTest& is_game) {
  const DWORD pid = FindGameWindowProcess(title, is_game);
  if (pid == 0) return false;
  // Only the right to terminate is asked for: all access rights are refused
  // more often and add nothing here. Failures are not reported.
  if (pid != GetCurrentProcessId()) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
      TerminateProcess(process, 0);
      CloseHandle(process);
    }
  }
  return true;
}

}  // namespace lobbyfind::platform
