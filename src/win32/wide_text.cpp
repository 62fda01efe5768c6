#include "win32/wide_text.h"

#include <windows.h>

namespace lobbyfind::win32 {

std::wstring Wide(std::string_view screen) {
  if (screen.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, screen.data(), static_cast<int>(screen.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, screen.data(), static_cast<int>(screen.size()), wide.data(), length);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace lobbyfind::win32
