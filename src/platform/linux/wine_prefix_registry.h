// The registry of a Wine prefix, where the game runs on Linux: the
// local-machine root lives in the prefix's text file system.reg.
//
// The game is a 32-bit program, so in a 64-bit prefix it sees HKLM\Software
// below Software\Wow6432Node; this backend maps paths the same way, chosen by
// the file's "#arch=" line. Reads parse the file anew on every call. Writes
// replace the file atomically, unless a wineserver of the prefix runs: it
// holds the registry in memory, writes the file back only now and then and
// would overwrite ours. Then the values of one batch go to it in one "wine reg
// import", and Refresh fetches the live key with one "wine reg export", whose
// copy the reads of that key use until the next Refresh. Each of those takes
// Wine a while (seconds on a busy machine), so with a poster they run on a
// thread of their own and report back through the window's event loop.
// A prefix without system.reg reads as an empty registry and refuses writes.
// Only the local-machine root exists.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/registry_port.h"

namespace lobbyfind::platform {

class WinePrefixRegistry final : public game::RegistryBackend {
 public:
  // Runs Wine's "reg" tool in the prefix with these arguments; true when it
  // succeeded.
  using RegToolRunner = std::function<bool(const std::filesystem::path& prefix, const std::vector<std::string>& args)>;
  using ServerProbe = std::function<bool(const std::filesystem::path& prefix)>;
  // Hands a function to the window's thread, to run there later; callable
  // from any thread.
  using Poster = std::function<void(std::function<void()>)>;

  // The real probe and runner by default; tests pass their own. Without a
  // poster the work for a running wineserver is done on the caller's thread,
  // which waits for it.
  explicit WinePrefixRegistry(std::filesystem::path prefix, ServerProbe server_running = WineServerRunning,
                              RegToolRunner run_reg = RunWineReg, Poster post = {});
  ~WinePrefixRegistry() override;

  [[nodiscard]] std::unique_ptr<game::RegistryKey> Open(game::RegistryRoot root, std::string_view path,
                                                        bool create) override;
  void WriteBatch(game::RegistryRoot root, std::vector<game::RegistryWrite> writes, game::WriteDone done) override;
  void Refresh(game::RegistryRoot root, std::string_view path, std::function<void()> done) override;

  [[nodiscard]] const std::filesystem::path& prefix() const { return prefix_; }
  [[nodiscard]] std::filesystem::path SystemRegPath() const { return prefix_ / "system.reg"; }

  // True while a wineserver serves this prefix (found through /proc: the
  // server works in a directory named after the prefix's device and inode).
  static bool WineServerRunning(const std::filesystem::path& prefix);
  // Runs "wine reg ..." with WINEPREFIX set, waiting at most 30 seconds.
  static bool RunWineReg(const std::filesystem::path& prefix, const std::vector<std::string>& args);

  // The prefix the program uses: the configured one if not empty, else
  // $WINEPREFIX, else ~/.wine.
  static std::filesystem::path ChoosePrefix(const std::string& configured);

 private:
  friend class WinePrefixKey;
  struct LiveCopy;
  [[nodiscard]] bool IsWin64();
  // Runs `job` on the queue's thread and `then` with its result on the
  // window's thread; both here and now without a poster.
  template <typename Result>
  void RunOffThread(std::function<Result()> job, std::function<void(Result)> then);

  // The key names inside system.reg for a local-machine path.
  [[nodiscard]] std::vector<std::string> FileKey(std::string_view path, bool win64) const;
  [[nodiscard]] bool ReadFile(std::string& text) const;
  [[nodiscard]] bool WriteFile(const std::string& text) const;
  [[nodiscard]] bool SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                              const std::vector<std::uint8_t>& data);

  std::filesystem::path prefix_;
  ServerProbe server_running_;
  RegToolRunner run_reg_;
  Poster post_;
  std::optional<bool> win64_;  // the prefix's kind never changes
  // Shared with the completions still on their way, which find it gone
  // once the registry is.
  std::shared_ptr<LiveCopy> live_;
  std::unique_ptr<class JobQueue> jobs_;  // last: its thread ends first
};

// The text of a "wine reg import" file (UTF-16LE with its byte-order mark)
// setting the values below HKEY_LOCAL_MACHINE\`file_key`. Strings are given
// as 8-bit text in code page 1252, as the 8-bit calls store them.
[[nodiscard]] std::string RegImportText(const std::vector<game::RegistryWrite>& writes, bool win64);
// A "wine reg export" file (UTF-16LE) as the text of a registry file of
// this kind of prefix, so that it reads as system.reg does.
[[nodiscard]] std::string ExportedAsRegistryFile(std::string_view exported, bool win64);

// The key names inside a prefix's registry for a local-machine path as the
// 32-bit game sees it.
[[nodiscard]] std::vector<std::string> PrefixFileKey(std::string_view path, bool win64);

// The arguments of "reg add" for one value, or nothing when the tool cannot
// express the type.
[[nodiscard]] std::vector<std::string> RegAddArguments(const std::vector<std::string>& file_key, std::string_view name,
                                                       std::uint32_t type, const std::vector<std::uint8_t>& data);

}  // namespace lobbyfind::platform
