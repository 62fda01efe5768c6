// Where the program meets the game: the machine registry that holds the
// game's network settings, the windows of the running game, the game's folder
// and the clock of the ping. Each edition builds one at start-up and hands it
// to the window; tests build one over an in-memory registry.
//
// Reads go to the registry anew each time. Writes are grouped per user action
// (one option, or the six connection values) and may finish later: behind
// the registry may be a Wine prefix whose server has to be asked by another
// program. The caller learns the outcome through its callback, always on the
// window's thread, and never waits.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/game_settings.h"
#include "game/map_catalogue.h"
#include "game/registry_port.h"
#include "game/window_control.h"
#include "ports/clock.h"

namespace lobbyfind::game {

class GameBridge {
 public:
  // The end of a write: no failure when every value is in; else a
  // RegistryWriteError naming the value, or AddressTooLongError.
  using Done = std::function<void(std::exception_ptr failure)>;

  GameBridge(RegistryBackend& registry, WindowControl& windows, const ports::Clock& clock);

  // The local-machine reads: false (out argument untouched) when absent;
  // a wrong type raises RegistryTypeError, refused data RegistryReadError.
  [[nodiscard]] bool MachineReadString(std::string_view path, std::string_view name, std::string& text);
  [[nodiscard]] bool MachineReadInteger(std::string_view path, std::string_view name, std::int32_t& value);

  // The options of a hosted game.
  [[nodiscard]] bool GetPolice();
  void SetPolice(bool enabled, Done done);
  [[nodiscard]] bool GetShowPlayerNames();
  void SetShowPlayerNames(bool show, Done done);
  // The limits are 16-bit in the game: a setter stores its argument modulo 65536.
  [[nodiscard]] std::int32_t GetFragLimit();
  void SetFragLimit(std::int64_t limit, Done done);
  [[nodiscard]] std::int32_t GetScoreLimit();
  void SetScoreLimit(std::int64_t limit, Done done);
  [[nodiscard]] std::int32_t GetGameTimeLimit();
  void SetGameTimeLimit(std::int64_t limit, Done done);
  // 0, 1 or 2: the position of the game speed slider.
  [[nodiscard]] int GetGameSpeed();
  void SetGameSpeed(int speed, Done done);
  // 0, 1 or 2: the index in the game mode list (frag, score, tag game).
  [[nodiscard]] int GetGameType();
  void SetGameType(int type, Done done);
  [[nodiscard]] std::string GetPlayerName();
  void SetPlayerName(std::string_view name, Done done);

  // Writes the six connection values for joining `address` (a dotted address
  // or a host name), or for hosting with the empty address, as one batch. An
  // address longer than kMaxServerAddressLength is refused before anything
  // is written; otherwise the first failing write stops it.
  void SetServerAddress(std::string_view address, Done done);

  // Brings the reads of the game's key up to the live registry (the game
  // writes "map_index" while it runs), then runs `then`.
  void RefreshSettings(std::function<void()> then);

  // The map the game chose, by its description: "" when the game stores no
  // map index, "|error|" when the index lies outside the catalogue.
  [[nodiscard]] std::string CurrentMapName();

  // Ends the process of the first window with each of kGameWindowTitles that
  // belongs to the game.
  void CloseGameWindows();
  // True while the game's own window "GTA2" is open: a match is played.
  [[nodiscard]] bool IsPlaying();
  // Whether a program lies in the game's folder: the game, or its manager.
  [[nodiscard]] bool IsGameProgram(std::string_view program) const;

  [[nodiscard]] std::int32_t MsSinceMidnight() const { return clock_.MsSinceMidnight(); }

  // How the platform marks files the game's own listing leaves out (for the
  // map catalogue); a leading dot until the edition says otherwise.
  void UseHiddenFileTest(HiddenFileTest hidden) { hidden_ = std::move(hidden); }

  // The game's folder as the options page chose it.
  [[nodiscard]] const std::string& GtaDir() const { return gta_dir_; }
  void UseGtaDir(std::string_view directory) { gta_dir_ = directory; }

 private:
  [[nodiscard]] std::int32_t ReadInteger(std::string_view name, std::int32_t fallback);
  void Write(std::vector<RegistryWrite> writes, Done done);
  void WriteInteger(std::string_view name, std::int32_t value, Done done);

  RegistryBackend& registry_;
  WindowControl& windows_;
  const ports::Clock& clock_;
  std::string gta_dir_;
  HiddenFileTest hidden_ = NameStartsWithDot;
};

}  // namespace lobbyfind::game
