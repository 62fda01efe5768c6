// A Windows program for the Wine registry interop test: it writes the
// interop values through the registry API ("write") or checks them there
// ("check [names...]"), in the 32-bit view as the game sees its key. Every
// mismatch is printed; the exit code is 0 only when all is as expected.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "interop_values.h"

namespace {

using lobbyfind::interop::InteropValue;
using lobbyfind::interop::kAccentName;
using lobbyfind::interop::kAccentWide;
using lobbyfind::interop::kInteropValues;
using lobbyfind::interop::kKeyPath;

const std::string kKey(kKeyPath);

std::string Hex(const BYTE* data, DWORD size) {
  std::string text;
  char byte[4];
  for (DWORD i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, "%02x ", data[i]);
    text += byte;
  }
  return text;
}

int Write() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    std::printf("cannot create the key\n");
    return 1;
  }
  int failures = 0;
  for (const InteropValue& value : kInteropValues) {
    const std::string name(value.name);
    LONG result = 0;
    if (value.name == kAccentName) {
      // Through the wide call, so the stored characters do not depend on the
      // 8-bit code page.
      const std::wstring wide_name(name.begin(), name.end());
      const std::wstring text(kAccentWide.begin(), kAccentWide.end());
      result = RegSetValueExW(key, wide_name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else {
      result = RegSetValueExA(key, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                              static_cast<DWORD>(value.bytes.size()));
    }
    if (result != ERROR_SUCCESS) {
      std::printf("%s: write failed with %ld\n", name.c_str(), result);
      ++failures;
    }
  }
  RegCloseKey(key);
  return failures == 0 ? 0 : 1;
}

int CheckOne(HKEY key, const InteropValue& value) {
  const std::string name(value.name);
  DWORD type = 0;
  BYTE data[512];
  DWORD size = sizeof data;
  const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
  if (result != ERROR_SUCCESS) {
    std::printf("%s: read failed with %ld\n", name.c_str(), result);
    return 1;
  }
  int failures = 0;
  const auto* wanted = reinterpret_cast<const BYTE*>(value.bytes.data());
  if (type != value.type || size != value.bytes.size() || std::memcmp(data, wanted, size) != 0) {
    std::printf("%s: type %lu bytes [%s], expected type %u bytes [%s]\n", name.c_str(), type, Hex(data, size).c_str(),
                value.type, Hex(wanted, static_cast<DWORD>(value.bytes.size())).c_str());
    ++failures;
  }
  if (value.name == kAccentName) {
    const std::wstring wide_name(name.begin(), name.end());
    wchar_t text[128];
    DWORD text_size = sizeof text;
    const std::wstring expected(kAccentWide.begin(), kAccentWide.end());
    if (RegQueryValueExW(key, wide_name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text), &text_size) !=
            ERROR_SUCCESS ||
        std::wstring(text) != expected) {
      std::printf("%s: the wide call sees other characters\n", name.c_str());
      ++failures;
    }
  }
  return failures;
}

int Check(const std::vector<std::string>& names) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
    std::printf("the key is missing in the 32-bit view\n");
    return 1;
  }
  int failures = 0;
  for (const InteropValue& value : kInteropValues) {
    bool wanted = names.empty();
    for (const auto& name : names) wanted = wanted || name == value.name;
    if (wanted) failures += CheckOne(key, value);
  }
  RegCloseKey(key);
  HKEY other = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &other) == ERROR_SUCCESS) {
    std::printf("the key is in the 64-bit view too\n");
    RegCloseKey(other);
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}

// Prints "name type hex-bytes" for each value of the key (or "name missing"),
// as the game's 8-bit calls see them.
int Dump(const std::vector<std::string>& names) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
    std::printf("the key is missing in the 32-bit view\n");
    return 1;
  }
  for (const auto& name : names) {
    DWORD type = 0;
    BYTE data[512];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size) == ERROR_SUCCESS) {
      std::printf("%s %lu %s\n", name.c_str(), type, Hex(data, size).c_str());
    } else {
      std::printf("%s missing\n", name.c_str());
    }
  }
  RegCloseKey(key);
  return 0;
}

// Stores one number in the key, as the game stores the map it chose.
int SetDword(const std::string& name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  const LONG result = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // The 8-bit calls convert in the process's code page; the expected bytes
  // are in 1252.
  if (GetACP() != 1252) {
    std::printf("the 8-bit code page is %u, not 1252\n", GetACP());
    return 1;
  }
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "write") return Write();
  if (mode == "check") return Check(std::vector<std::string>(argv + 2, argv + argc));
  if (mode == "dump") return Dump(std::vector<std::string>(argv + 2, argv + argc));
  if (mode == "set-dword" && argc == 4) return SetDword(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
  std::printf("usage: registry_probe write | check [names...] | dump names... | set-dword name value\n");
  return 2;
}
