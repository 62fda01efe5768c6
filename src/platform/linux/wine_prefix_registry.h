// The registry of a Wine prefix, where the game runs on Linux: the
// local-machine root lives in the prefix's text file system.reg.
//
// The game is a 32-bit program, so in a 64-bit prefix it sees HKLM\Software
// below Software\Wow6432Node; this backend maps paths the same way, chosen by
// the file's "#arch=" line. Reads parse the file anew on every call. Writes
// replace the file atomically, unless a wineserver of the prefix runs: it
// holds the registry in memory and would overwrite the file, so the write goes
// through Wine's own "reg" tool instead. A prefix without system.reg reads as
// an empty registry and refuses writes. Only the local-machine root exists.
#pragma once

#include <filesystem>
#include <functional>
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

  // The real probe and runner by default; tests pass their own.
  explicit WinePrefixRegistry(std::filesystem::path prefix, ServerProbe server_running = WineServerRunning,
                              RegToolRunner run_reg = RunWineReg);

  [[nodiscard]] std::unique_ptr<game::RegistryKey> Open(game::RegistryRoot root, std::string_view path,
                                                        bool create) override;

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
  // The key names inside system.reg for a local-machine path.
  [[nodiscard]] std::vector<std::string> FileKey(std::string_view path, bool win64) const;
  [[nodiscard]] bool ReadFile(std::string& text) const;
  [[nodiscard]] bool WriteFile(const std::string& text) const;
  [[nodiscard]] bool SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                              const std::vector<std::uint8_t>& data);

  std::filesystem::path prefix_;
  ServerProbe server_running_;
  RegToolRunner run_reg_;
};

// The arguments of "reg add" for one value, or nothing when the tool cannot
// express the type.
[[nodiscard]] std::vector<std::string> RegAddArguments(const std::vector<std::string>& file_key, std::string_view name,
                                                       std::uint32_t type, const std::vector<std::uint8_t>& data);

}  // namespace lobbyfind::platform
