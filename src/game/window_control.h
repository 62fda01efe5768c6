// Finding the game's windows by title and ending the process that owns one.
// The platform supplies the backend (Win32 window search, X11 on Linux). A
// title alone proves nothing (an Explorer window showing the game's folder is
// titled "GTA2" too), so every search also asks whether the window's process
// runs one of the game's own programs.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace lobbyfind::game {

// Whether a process's program, named by the path of its executable, is one
// of the game's. A backend may offer several names of one program (the
// Linux path of Wine's loader and the Windows path of the program it runs);
// the process counts when any of them is accepted.
using ProgramTest = std::function<bool(std::string_view program)>;

class WindowControl {
 public:
  virtual ~WindowControl() = default;
  // True while a top-level window with this title (ignoring case) exists
  // whose process runs a program `is_game` accepts.
  [[nodiscard]] virtual bool IsWindowOpen(std::string_view title, const ProgramTest& is_game) = 0;
  // Ends the process owning the first such window. True if one was found,
  // whether or not ending its process worked.
  virtual bool KillWindowProcess(std::string_view title, const ProgramTest& is_game) = 0;
};

// For a machine without a window system: no window is ever found.
class NoWindows final : public WindowControl {
 public:
  [[nodiscard]] bool IsWindowOpen(std::string_view /*title*/, const ProgramTest& /*is_game*/) override {
    return false;
  }
  bool KillWindowProcess(std::string_view /*title*/, const ProgramTest& /*is_game*/) override { return false; }
};

// True when `program` lies directly in `folder` (the game's own programs, the
// game and its manager, sit there), compared ignoring case, with "\" and "/"
// alike; an empty folder holds no program.
[[nodiscard]] bool ProgramInFolder(std::string_view program, std::string_view folder);

}  // namespace lobbyfind::game
