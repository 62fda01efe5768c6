// The Win32 window control against real windows (under Wine in the Windows
// lane): the stand-in game window runs in a child process of its own.
#ifdef _WIN32

#include "platform/win32/win32_windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace lobbyfind::platform {
namespace {

constexpr DWORD kWaitMs = 10000;
constexpr DWORD kStillRunning = STILL_ACTIVE;

// The stand-in window program sits beside this test program.
std::string TestWindowProgram() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path, length);
  return program.substr(0, program.find_last_of("\\/") + 1) + "win32_test_window.exe";
}

// A child process showing a window with the given title; ended (if still
// running) when destroyed.
class TestWindow {
 public:
  TestWindow(const std::string& program, const std::string& title) {
    // One event per window: a window opened earlier may still hold its own.
    static int opened = 0;
    const std::string event_name =
        "lobbyfind-test-window-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++opened);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, event_name.c_str());
    std::string command = "\"" + program + "\" \"" + title + "\" " + event_name;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (ready != nullptr && CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                           &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      HANDLE either[] = {ready, process_};
      opened_ = WaitForMultipleObjects(2, either, FALSE, kWaitMs) == WAIT_OBJECT_0;
    }
    if (ready != nullptr) CloseHandle(ready);
  }
  ~TestWindow() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kWaitMs);
    CloseHandle(process_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  [[nodiscard]] bool opened() const { return opened_; }
  // The exit code once the process ended within the wait, else STILL_ACTIVE.
  [[nodiscard]] DWORD WaitForExit() const {
    DWORD code = kStillRunning;
    if (WaitForSingleObject(process_, kWaitMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_, &code);
    return code;
  }
  [[nodiscard]] bool Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

 private:
  HANDLE process_ = nullptr;
  bool opened_ = false;
};

// The folder of a program path, as the game bridge would have chosen it.
std::string FolderOf(const std::string& program) { return program.substr(0, program.find_last_of("\\/")); }

game::ProgramTest InFolder(const std::string& folder) {
  return [folder](std::string_view program) { return game::ProgramInFolder(program, folder); };
}

TEST(Win32Windows, OnlyTheGamesWindowCountsAndOnlyItsOwnerIsEnded) {
  // The stand-in game: the window program copied into a game folder as gta2.exe.
  char temp[MAX_PATH];
  const std::string game_dir = std::string(temp, GetTempPathA(MAX_PATH, temp)) + "lobbyfind_win32_" +
                               std::to_string(GetCurrentProcessId());
  CreateDirectoryA(game_dir.c_str(), nullptr);
  const std::string game_program = game_dir + "\\gta2.exe";
  ASSERT_TRUE(CopyFileA(TestWindowProgram().c_str(), game_program.c_str(), FALSE));
  const auto is_game = InFolder(game_dir);
  Win32Windows windows;
  {
    // Another program's window with the game's title, as Explorer showing
    // the game's folder has.
    TestWindow other(TestWindowProgram(), "GTA2");
    ASSERT_TRUE(other.opened()) << "the stand-in window did not open";
    EXPECT_FALSE(windows.IsWindowOpen("GTA2", is_game));
    EXPECT_FALSE(windows.KillWindowProcess("GTA2", is_game));
    EXPECT_TRUE(windows.IsWindowOpen("GTA2", InFolder(FolderOf(TestWindowProgram()))));

    TestWindow game(game_program, "GTA2");
    ASSERT_TRUE(game.opened()) << "the stand-in game did not open";
    EXPECT_TRUE(windows.IsWindowOpen("GTA2", is_game));
    EXPECT_FALSE(windows.IsWindowOpen("GTA2 Manager", is_game));
    EXPECT_FALSE(windows.KillWindowProcess("Netzwerk GTA2", is_game));
    EXPECT_TRUE(game.Running());
    EXPECT_TRUE(windows.KillWindowProcess("GTA2", is_game));
    // Ended from outside with exit code 0; the window program itself only ever
    // exits with other codes.
    EXPECT_EQ(game.WaitForExit(), 0U);
    EXPECT_FALSE(windows.IsWindowOpen("GTA2", is_game));
    EXPECT_FALSE(windows.KillWindowProcess("GTA2", is_game));
    EXPECT_TRUE(other.Running()) << "the other program was ended";
  }
  DeleteFileA(game_program.c_str());
  RemoveDirectoryA(game_dir.c_str());
}

TEST(Win32Windows, NothingIsFoundWithoutSuchAWindow) {
  Win32Windows windows;
  const auto any_program = [](std::string_view) { return true; };
  EXPECT_FALSE(windows.IsWindowOpen("GTA2", any_program));
  EXPECT_FALSE(windows.KillWindowProcess("GTA2", any_program));
}

}  // namespace
}  // namespace lobbyfind::platform

#endif
