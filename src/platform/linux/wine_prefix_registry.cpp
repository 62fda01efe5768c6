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

#include "platform/linux/job_queue.h"
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

// The key last fetched from a running wineserver, in the form of system.reg.
struct WinePrefixRegistry::LiveCopy {
  std::vector<std::string> file_key;  // empty: no copy, reads go to the file
  std::string text;
  // A fetch on its way, and who waits for it.
  bool fetching = false;
  std::vector<std::function<void()>> waiting;
};

WinePrefixRegistry::WinePrefixRegistry(fs::path prefix, ServerProbe server_running, RegToolRunner run_reg,
                                       Poster post)
    : prefix_(std::move(prefix)),
      server_running_(std::move(server_running)),
      run_reg_(std::move(run_reg)),
      post_(std::move(post)),
      live_(std::make_shared<LiveCopy>()) {
  if (post_) jobs_ = std::make_unique<JobQueue>();
}

WinePrefixRegistry::~WinePrefixRegistry() = default;

bool WinePrefixRegistry::IsWin64() {
  if (!win64_) {
    // The kind is stated in the file's first lines; reading the whole file
    // for it would cost the window's thread a parse of the entire registry.
    std::ifstream in(SystemRegPath(), std::ios::binary);
    std::string line;
    bool found = false;
    for (int i = 0; i < 8 && std::getline(in, line); ++i) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      found = found || line == "#arch=win64";
    }
    if (!in && !in.eof()) return false;  // unreadable: ask again next time
    win64_ = found;
  }
  return *win64_;
}

template <typename Result>
void WinePrefixRegistry::RunOffThread(std::function<Result()> job, std::function<void(Result)> then) {
  if (!jobs_) {
    then(job());
    return;
  }
  jobs_->Queue([job = std::move(job), then = std::move(then), post = post_] {
    post([result = job(), then] { then(result); });
  });
}

fs::path WinePrefixRegistry::ChoosePrefix(const std::string& configured) {
  if (!configured.empty()) return configured;
  if (const char* env = std::getenv("WINEPREFIX"); env != nullptr && *env != '\0') return env;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "") / ".wine";
}

std::vector<std::string> WinePrefixRegistry::FileKey(std::string_view path, bool win64) const {
  return PrefixFileKey(path, win64);
}

std::vector<std::string> PrefixFileKey(std::string_view path, bool win64) {
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
  // The file lags behind a running wineserver: its live copy of the key is
  // what the registry holds.
  if (!live_->file_key.empty()) {
    const WineRegistryFile file(text);
    const auto key = FileKey(path, file.IsWin64());
    const auto same = [](const std::string& a, const std::string& b) { return game::SameName(a, b); };
    if (std::equal(key.begin(), key.end(), live_->file_key.begin(), live_->file_key.end(), same)) {
      text = live_->text;
    }
  }
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

void WinePrefixRegistry::WriteBatch(game::RegistryRoot root, std::vector<game::RegistryWrite> writes,
                                    game::WriteDone done) {
  if (root != game::RegistryRoot::kLocalMachine || writes.empty() || !jobs_ || !server_running_(prefix_)) {
    RegistryBackend::WriteBatch(root, std::move(writes), std::move(done));
    return;
  }
  const bool win64 = IsWin64();
  std::string import = RegImportText(writes, win64);
  std::function<bool()> job = [prefix = prefix_, run_reg = run_reg_, import = std::move(import)] {
    // Inside the prefix's drive C, so that Wine finds it by a path of its own.
    auto path = prefix / "drive_c" / "lobbyfind-XXXXXX.reg";
    std::string name = path.string();
    const int fd = mkstemps(name.data(), 4);
    if (fd < 0) return false;
    bool ok = write(fd, import.data(), import.size()) == static_cast<ssize_t>(import.size());
    ok = close(fd) == 0 && ok;
    ok = ok && run_reg(prefix, {"import", "C:\\" + fs::path(name).filename().string()});
    unlink(name.c_str());
    return ok;
  };
  std::function<void(bool)> then = [live = std::weak_ptr<LiveCopy>(live_), writes, win64,
                                    done = std::move(done)](bool ok) {
    if (!ok) {
      // The tool does not say which value it refused: the batch failed as a whole.
      done(writes.front().name);
      return;
    }
    // A read right after the write sees it, before the next fetch.
    if (auto copy = live.lock(); copy && !copy->file_key.empty()) {
      WineRegistryFile file(copy->text);
      for (const auto& w : writes) {
        const auto key = PrefixFileKey(w.path, win64);
        if (std::equal(key.begin(), key.end(), copy->file_key.begin(), copy->file_key.end(),
                       [](const std::string& a, const std::string& b) { return game::SameName(a, b); })) {
          file.Set(key, w.name, w.value.type, w.value.data, 0);
        }
      }
      copy->text = file.Text();
    }
    done(std::nullopt);
  };
  RunOffThread(std::move(job), std::move(then));
}

void WinePrefixRegistry::Refresh(game::RegistryRoot root, std::string_view path, std::function<void()> done) {
  const auto finish = [&done] {
    if (done) done();
  };
  if (root != game::RegistryRoot::kLocalMachine || !server_running_(prefix_)) {
    // Without a server the file is the registry.
    live_->file_key.clear();
    finish();
    return;
  }
  if (live_->fetching) {
    // One fetch at a time: a slow Wine must not pile them up tick by tick.
    if (done) live_->waiting.push_back(std::move(done));
    return;
  }
  live_->fetching = true;
  if (done) live_->waiting.push_back(std::move(done));
  const bool win64 = IsWin64();
  auto file_key = FileKey(path, win64);
  std::string key = "HKLM";
  for (const auto& part : file_key) key += "\\" + Utf16ToUtf8(Cp1252ToUtf16(part));
  std::function<std::optional<std::string>()> job = [prefix = prefix_, run_reg = run_reg_, key,
                                                     win64]() -> std::optional<std::string> {
    auto path = prefix / "drive_c" / "lobbyfind-XXXXXX.reg";
    std::string name = path.string();
    const int fd = mkstemps(name.data(), 4);
    if (fd < 0) return std::nullopt;
    close(fd);
    std::optional<std::string> text;
    if (run_reg(prefix, {"export", key, "C:\\" + fs::path(name).filename().string(), "/y"})) {
      std::ifstream in(name, std::ios::binary);
      std::ostringstream exported;
      exported << in.rdbuf();
      if (!in.bad()) text = ExportedAsRegistryFile(exported.str(), win64);
    }
    unlink(name.c_str());
    return text;
  };
  std::function<void(std::optional<std::string>)> then = [live = std::weak_ptr<LiveCopy>(live_),
                                                          file_key](std::optional<std::string> text) {
    const auto copy = live.lock();
    if (!copy) return;
    // A key the tool could not export (it does not exist yet, or Wine
    // failed) is read from the file, as without a server.
    copy->file_key = text ? file_key : std::vector<std::string>{};
    copy->text = text.value_or(std::string());
    copy->fetching = false;
    auto waiting = std::move(copy->waiting);
    copy->waiting.clear();
    for (auto& then_run : waiting) then_run();
  };
  RunOffThread(std::move(job), std::move(then));
}

namespace {

void AppendUtf16(std::string& out, std::u16string_view text) {
  for (const char16_t unit : text) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
}

std::string HexList(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char hex[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(hex, sizeof hex, i == 0 ? "%02x" : ",%02x", static_cast<unsigned>(bytes[i]));
    text += hex;
  }
  return text;
}

std::u16string EscapedName(std::string_view name) {
  std::u16string escaped;
  for (const char16_t c : Cp1252ToUtf16(name)) {
    if (c == u'\\' || c == u'"') escaped.push_back(u'\\');
    escaped.push_back(c);
  }
  return escaped;
}

}  // namespace

std::string RegImportText(const std::vector<game::RegistryWrite>& writes, bool win64) {
  std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n";
  std::vector<std::string> current;
  for (const auto& w : writes) {
    const auto key = PrefixFileKey(w.path, win64);
    if (key != current) {
      text += u"\r\n[HKEY_LOCAL_MACHINE";
      for (const auto& part : key) text += u"\\" + Cp1252ToUtf16(part);
      text += u"]\r\n";
      current = key;
    }
    text += w.name.empty() ? u"@" : u"\"" + EscapedName(w.name) + u"\"";
    std::string data;
    const auto& v = w.value;
    if (v.type == reg_type::kDword && v.data.size() == 4) {
      char number[16];
      std::snprintf(number, sizeof number, "dword:%08x",
                    static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16)) |
                        (static_cast<unsigned>(v.data[3]) << 24));
      data = number;
    } else if (v.type == reg_type::kBinary) {
      data = "hex:" + HexList(v.data);
    } else {
      // Strings as their stored UTF-16 bytes: no escaping to get wrong.
      std::vector<std::uint8_t> bytes = v.data;
      if (v.type == reg_type::kSz || v.type == reg_type::kExpandSz || v.type == reg_type::kMultiSz) {
        std::string wide;
        AppendUtf16(wide, Cp1252ToUtf16(std::string(v.data.begin(), v.data.end())));
        bytes.assign(wide.begin(), wide.end());
      }
      char type[16];
      std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
      data = std::string(type) + HexList(bytes);
    }
    text += u"=" + Cp1252ToUtf16(data) + u"\r\n";
  }
  text += u"\r\n";
  std::string bytes;
  AppendUtf16(bytes, text);
  return bytes;
}

std::string ExportedAsRegistryFile(std::string_view exported, bool win64) {
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < exported.size(); i += 2) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(exported[i]) |
                                         (static_cast<unsigned char>(exported[i + 1]) << 8)));
  }
  if (!wide.empty() && wide.front() == u'\uFEFF') wide.erase(0, 1);
  const std::string text = Utf16ToUtf8(wide);
  std::string out = "WINE REGISTRY Version 2\n";
  if (win64) out += "#arch=win64\n";
  constexpr std::string_view kRootPrefix = "[HKEY_LOCAL_MACHINE\\";
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with(kRootPrefix) && line.ends_with("]")) {
      // The file names keys below the root, backslashes escaped.
      std::string key;
      for (const char c : std::string_view(line).substr(kRootPrefix.size(), line.size() - kRootPrefix.size() - 1)) {
        if (c == '\\') key += '\\';
        key += c;
      }
      out += "\n[" + key + "] 0\n";
    } else if (line.starts_with("\"") || line.starts_with("@=") || line.starts_with(" ")) {
      out += line + "\n";
    }
  }
  return out;
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
