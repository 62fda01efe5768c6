#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <string>
#include <vector>

namespace lobbyfind::platform {
namespace {

constexpr REGSAM kFullAccess = KEY_ALL_ACCESS | KEY_WOW64_32KEY;
constexpr const char* kVirtualStore = "Software\\Classes\\VirtualStore\\MACHINE\\";

bool SixtyFourBitWindows() {
#ifdef _WIN64
  return true;
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

std::string JoinPath(const std::vector<std::string>& names) {
  std::string path;
  for (const auto& name : names) path += (path.empty() ? "" : "\\") + name;
  return path;
}

// Where the virtualised game's writes to HKLM\<path> land, or nothing for a
// path outside SOFTWARE (which is not virtualised).
std::string VirtualStorePath(const std::vector<std::string>& names) {
  if (names.empty() || !game::SameName(names[0], "SOFTWARE")) return {};
  std::vector<std::string> store = {"SOFTWARE"};
  if (SixtyFourBitWindows()) store.emplace_back("WOW6432Node");
  store.insert(store.end(), names.begin() + 1, names.end());
  return kVirtualStore + JoinPath(store);
}

HKEY OpenKey(HKEY root, const std::string& path, REGSAM access, bool create) {
  HKEY key = nullptr;
  const LONG result = create ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                               nullptr, &key, nullptr)
                             : RegOpenKeyExA(root, path.c_str(), 0, access, &key);
  return result == ERROR_SUCCESS ? key : nullptr;
}

game::QueryStatus QueryKey(HKEY key, std::string_view name, game::RegistryValue& value) {
  const std::string value_name(name);
  DWORD type = 0;
  DWORD size = 0;
  LONG result = RegQueryValueExA(key, value_name.c_str(), nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) return game::QueryStatus::kAbsent;
  std::vector<std::uint8_t> data;
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    data.resize(size);
    result = RegQueryValueExA(key, value_name.c_str(), nullptr, &type, data.data(), &size);
    if (result == ERROR_SUCCESS) {
      data.resize(size);
      value = {type, std::move(data)};
      return game::QueryStatus::kFound;
    }
  }
  return game::QueryStatus::kUnreadable;
}

class Win32Key final : public game::RegistryKey {
 public:
  Win32Key(HKEY machine, HKEY store) : machine_(machine), store_(store) {}
  ~Win32Key() override {
    if (machine_ != nullptr) RegCloseKey(machine_);
    if (store_ != nullptr) RegCloseKey(store_);
  }
  Win32Key(const Win32Key&) = delete;
  Win32Key& operator=(const Win32Key&) = delete;

  game::QueryStatus Query(std::string_view name, game::RegistryValue& value) override {
    if (store_ != nullptr) {
      const auto status = QueryKey(store_, name, value);
      if (status != game::QueryStatus::kAbsent || machine_ == nullptr) return status;
    }
    return QueryKey(machine_, name, value);
  }

  bool Set(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    const std::string value_name(name);
    for (HKEY key : {machine_, store_}) {
      if (key != nullptr && RegSetValueExA(key, value_name.c_str(), 0, type, data.data(),
                                           static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
        return false;
      }
    }
    return true;
  }

 private:
  HKEY machine_;
  HKEY store_;
};

}  // namespace

std::unique_ptr<game::RegistryKey> Win32Registry::Open(game::RegistryRoot root, std::string_view path,
                                                       bool create) {
  const auto names = game::SplitKeyPath(path);
  const std::string joined = JoinPath(names);
  if (root == game::RegistryRoot::kCurrentUser) {
    HKEY key = OpenKey(HKEY_CURRENT_USER, joined, KEY_ALL_ACCESS, create);
    return key != nullptr ? std::make_unique<Win32Key>(key, nullptr) : nullptr;
  }
  const std::string store_path = VirtualStorePath(names);
  HKEY machine = OpenKey(HKEY_LOCAL_MACHINE, joined, kFullAccess, create);
  HKEY store = nullptr;
  if (!store_path.empty()) {
    // The store is created only when HKLM refuses us, as Windows does for the game.
    store = OpenKey(HKEY_CURRENT_USER, store_path, KEY_ALL_ACCESS, create && machine == nullptr);
  }
  if (machine == nullptr && store == nullptr) return nullptr;
  return std::make_unique<Win32Key>(machine, store);
}

}  // namespace lobbyfind::platform
