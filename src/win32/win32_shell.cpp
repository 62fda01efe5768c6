#include "win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>

namespace lobbyfind::win32 {
namespace {

// ShellExecute reports success with a value above 32.
constexpr INT_PTR kLastShellError = 32;

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

bool Win32Shell::Open(const std::string& target, const std::string& parameters, const std::string& directory) {
  const HINSTANCE result =
      ShellExecuteA(nullptr, "open", target.c_str(), OrNull(parameters), OrNull(directory), SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > kLastShellError;
}

}  // namespace lobbyfind::win32
