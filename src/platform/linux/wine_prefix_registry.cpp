#include "platform/linux/wine_prefix_registry.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/wine_registry_file.h"
#include "platform/linux/wine_text.h"

extern char** environ;

namespace lobbyfind::platform {
namespace {

namespace fs = std::filesystem;
namespace reg_type = game::reg_type;

constexpr std::string_view kSoftware = "Software";
constexpr std::string_view kWow64Node = "Wow6432Node";
constexpr auto kRegToolTimeout = std::chrono::seconds(30);

}  // namespace

class WinePrefixKey final : public game::RegistryKey {
 public:
  WinePrefixKey(WinePrefixRegistry& owner, std::string path, std::string text)
      : owner_(owner), path_(std::move(path)), snapshot_(std::move(text)) {}

  game::QueryStatus Query(std::string_view name, game::RegistryValue& value) override {
    const WineRegistryFile file(snapshot_);
    return file.Query(owner_.FileKey(path_, file.IsWin64()), name, value);
  }

  bool Set(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    return owner_.SetValue(path_, name, type, {data.begin(), data.end()});
  }

 private:
  WinePrefixRegistry& owner_;
  std::string path_;
  std::string snapshot_;
};

WinePrefixRegistry::WinePrefixRegistry(fs::path prefix, ServerProbe server_running, RegToolRunner run_reg)
    : prefix_(std::move(prefix)), server_running_(std::move(server_running)), run_reg_(std::move(run_reg)) {}

fs::path WinePrefixRegistry::ChoosePrefix(const std::string& configured) {
  if (!configured.empty()) return configured;
  if (const char* env = std::getenv("WINEPREFIX"); env != nullptr && *env != '\0') return env;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "") / ".wine";
}

std::vector<std::string> WinePrefixRegistry::FileKey(std::string_view path, bool win64) const {
  auto names = game::SplitKeyPath(path);
  // The 32-bit view of a 64-bit prefix: Software\X is Software\Wow6432Node\X.
  if (win64 && !names.empty() && game::SameName(names[0], kSoftware) &&
      !(names.size() > 1 && game::SameName(names[1], kWow64Node))) {
    names.insert(names.begin() + 1, std::string(kWow64Node));
  }
  return names;
}

bool WinePrefixRegistry::ReadFile(std::string& text) const {
  std::ifstream in(SystemRegPath(), std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return !in.bad();
}

bool WinePrefixRegistry::WriteFile(const std::string& text) const {
  // A sibling file renamed over the old one: a reader (or a crash) never sees
  // half a registry.
  const auto target = SystemRegPath();
  auto temp = target;
  temp += ".lobbyfind-XXXXXX";
  std::string name = temp.string();
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  struct stat old_stat {};
  if (stat(target.c_str(), &old_stat) == 0) fchmod(fd, old_stat.st_mode & 07777);
  bool ok = true;
  for (std::size_t done = 0; ok && done < text.size();) {
    const auto written = write(fd, text.data() + done, text.size() - done);
    ok = written > 0;
    if (ok) done += static_cast<std::size_t>(written);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && std::rename(name.c_str(), target.c_str()) == 0;
  if (!ok) unlink(name.c_str());
  return ok;
}

std::unique_ptr<game::RegistryKey> WinePrefixRegistry::Open(game::RegistryRoot root, std::string_view path,
                                                            bool create) {
  if (root != game::RegistryRoot::kLocalMachine) return nullptr;
  // Full access means we could write the file.
  if (access(SystemRegPath().c_str(), R_OK | W_OK) != 0) return nullptr;
  std::string text;
  if (!ReadFile(text)) return nullptr;
  if (!create) {
    const WineRegistryFile file(text);
    if (!file.KeyExists(FileKey(path, file.IsWin64()))) return nullptr;
  }
  // A created key comes into being with its first value.
  return std::make_unique<WinePrefixKey>(*this, std::string(path), std::move(text));
}

bool WinePrefixRegistry::SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                                  const std::vector<std::uint8_t>& data) {
  std::string text;
  if (!ReadFile(text)) return false;
  WineRegistryFile file(text);
  const auto key = FileKey(path, file.IsWin64());
  if (server_running_(prefix_)) {
    const auto args = RegAddArguments(key, name, type, data);
    return !args.empty() && run_reg_(prefix_, args);
  }
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch()).count();
  file.Set(key, name, type, data, now);
  return WriteFile(file.Text());
}

std::vector<std::string> RegAddArguments(const std::vector<std::string>& file_key, std::string_view name,
                                         std::uint32_t type, const std::vector<std::uint8_t>& data) {
  std::string key = "HKLM";
  for (const auto& part : file_key) key += "\\" + Utf16ToUtf8(Cp1252ToUtf16(part));
  std::vector<std::string> args = {"add", key};
  if (name.empty()) {
    args.emplace_back("/ve");
  } else {
    args.insert(args.end(), {"/v", Utf16ToUtf8(Cp1252ToUtf16(name))});
  }
  std::string value;
  std::string type_name;
  switch (type) {
    case reg_type::kSz:
    case reg_type::kExpandSz: {
      type_name = type == reg_type::kSz ? "REG_SZ" : "REG_EXPAND_SZ";
      const std::string text(data.begin(), std::find(data.begin(), data.end(), std::uint8_t{0}));
      value = Utf16ToUtf8(Cp1252ToUtf16(text));
      break;
    }
    case reg_type::kDword: {
      if (data.size() != 4) return {};
      type_name = "REG_DWORD";
      value = std::to_string(static_cast<unsigned>(data[0] | (data[1] << 8) | (data[2] << 16)) |
                             (static_cast<unsigned>(data[3]) << 24));
      break;
    }
    case reg_type::kBinary: {
      type_name = "REG_BINARY";
      char hex[3];
      for (const auto byte : data) {
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(byte));
        value += hex;
      }
      break;
    }
    default:
      return {};
  }
  args.insert(args.end(), {"/t", type_name, "/d", value, "/f"});
  return args;
}

bool WinePrefixRegistry::WineServerRunning(const fs::path& prefix) {
  struct stat prefix_stat {};
  if (stat(prefix.c_str(), &prefix_stat) != 0) return false;
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "server-%llx-%llx", static_cast<unsigned long long>(prefix_stat.st_dev),
                static_cast<unsigned long long>(prefix_stat.st_ino));
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const auto pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code ignored;
    const auto exe = fs::read_symlink(entry.path() / "exe", ignored).filename().string();
    if (!exe.starts_with("wineserver")) continue;
    if (fs::read_symlink(entry.path() / "cwd", ignored).filename() == wanted) return true;
  }
  return false;
}

bool WinePrefixRegistry::RunWineReg(const fs::path& prefix, const std::vector<std::string>& args) {
  std::vector<std::string> command = {"wine", "reg"};
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& part : command) argv.push_back(part.data());
  argv.push_back(nullptr);

  std::vector<std::string> env_storage = {"WINEPREFIX=" + prefix.string(), "WINEDEBUG=-all"};
  for (char** var = environ; *var != nullptr; ++var) {
    const std::string_view entry(*var);
    if (!entry.starts_with("WINEPREFIX=") && !entry.starts_with("WINEDEBUG=")) env_storage.emplace_back(entry);
  }
  std::vector<char*> envp;
  for (auto& entry : env_storage) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;

  const auto deadline = std::chrono::steady_clock::now() + kRegToolTimeout;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace lobbyfind::platform
