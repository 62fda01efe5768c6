// The X11 window control against a real X server: the test starts its own
// Xvfb on a free display and opens the stand-in game window in a child process.
#ifndef _WIN32

#include "platform/linux/x11_windows.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace lobbyfind::platform {
namespace {

// Starts a program with stdout on a pipe; returns its pid and the pipe.
// `program` runs with `args` as its command line (its first one the name it
// is shown by) and `extra_env` added to the environment.
pid_t Spawn(const std::string& program, std::vector<std::string> args, int& out_fd, const std::string& display = "",
            const std::vector<std::string>& extra_env = {}) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  std::vector<std::string> env_storage;
  for (char** var = environ; *var != nullptr; ++var) {
    if (!std::string_view(*var).starts_with("DISPLAY=")) env_storage.emplace_back(*var);
  }
  if (!display.empty()) env_storage.push_back("DISPLAY=" + display);
  env_storage.insert(env_storage.end(), extra_env.begin(), extra_env.end());
  std::vector<char*> argv;
  std::vector<char*> envp;
  for (auto& arg : args) argv.push_back(arg.data());
  for (auto& entry : env_storage) envp.push_back(entry.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  out_fd = pipe_fds[0];
  return pid;
}

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

// Waits up to five seconds for the child to end; its wait status or -1.
int WaitForExit(pid_t pid) {
  int status = 0;
  for (int i = 0; i < 250; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

class X11WindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    int fd = -1;
    // Xvfb picks a free display itself and writes its number to stdout. It
    // must not reset when its last client leaves (as between two tests, or
    // between two stand-in windows): a reset refuses the next connection.
    xvfb_ = Spawn("Xvfb", {"Xvfb", "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "320x240x24"},
                  fd);
    if (xvfb_ > 0) display_ = ":" + ReadLine(fd);
    close(fd);
  }
  static void TearDownTestSuite() {
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      waitpid(xvfb_, nullptr, 0);
    }
  }
  void SetUp() override { ASSERT_GT(display_.size(), 1U) << "Xvfb did not start"; }

  // Opens the stand-in window and waits until it is mapped.
  // `shown_as` is the name the process gives itself, as Wine gives a
  // Windows program its Windows path; `env` is added to its environment.
  pid_t OpenWindow(const std::string& program, const std::string& title, bool names_pid,
                   const std::string& shown_as = "", const std::vector<std::string>& env = {}) {
    int fd = -1;
    std::vector<std::string> args = {shown_as.empty() ? program : shown_as, title};
    if (names_pid) args.emplace_back("--pid");
    const pid_t pid = Spawn(program, args, fd, display_, env);
    EXPECT_EQ(ReadLine(fd), "ready");
    close(fd);
    return pid;
  }

  static inline pid_t xvfb_ = -1;
  static inline std::string display_;
};

// Accepts the programs in the game's folder, as the game bridge does.
game::ProgramTest InFolder(const std::string& folder) {
  return [folder](std::string_view program) { return game::ProgramInFolder(program, folder); };
}

TEST_F(X11WindowsTest, OnlyTheGamesWindowCountsAndOnlyItsOwnerIsEnded) {
  // The stand-in game: the window program copied into a game folder as gta2.exe.
  const auto game_dir = std::filesystem::temp_directory_path() / ("lobbyfind_x11_" + std::to_string(getpid()));
  std::filesystem::create_directories(game_dir);
  std::filesystem::copy_file(X11_TEST_WINDOW, game_dir / "gta2.exe",
                             std::filesystem::copy_options::overwrite_existing);
  const auto is_game = InFolder(game_dir.string());
  for (const bool names_pid : {true, false}) {
    // Another program's window with the game's title: an Explorer window
    // showing the game's folder is titled so on Windows.
    const pid_t other = OpenWindow(X11_TEST_WINDOW, "GTA2", names_pid);
    ASSERT_GT(other, 0);
    X11Windows windows(display_);
    EXPECT_FALSE(windows.IsWindowOpen("GTA2", is_game));
    EXPECT_FALSE(windows.KillWindowProcess("GTA2", is_game));

    const pid_t game = OpenWindow((game_dir / "gta2.exe").string(), "GTA2", names_pid);
    ASSERT_GT(game, 0);
    EXPECT_TRUE(windows.IsWindowOpen("GTA2", is_game));
    EXPECT_TRUE(windows.IsWindowOpen("gta2", is_game));
    EXPECT_FALSE(windows.IsWindowOpen("GTA", is_game));
    EXPECT_FALSE(windows.IsWindowOpen("GTA2 Manager", is_game));
    EXPECT_FALSE(windows.KillWindowProcess("Netzwerk GTA2", is_game));
    EXPECT_TRUE(windows.KillWindowProcess("GTA2", is_game));
    const int status = WaitForExit(game);
    if (status == -1) {
      kill(game, SIGKILL);
      waitpid(game, nullptr, 0);
    }
    ASSERT_NE(status, -1) << "window owner still running (names pid: " << names_pid << ")";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_FALSE(windows.IsWindowOpen("GTA2", is_game));
    EXPECT_FALSE(windows.KillWindowProcess("GTA2", is_game));
    EXPECT_EQ(waitpid(other, nullptr, WNOHANG), 0) << "the other program was ended";
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
  }
  std::filesystem::remove_all(game_dir);
}

TEST_F(X11WindowsTest, AWineProgramIsKnownByTheWindowsPathInItsCommandLine) {
  // A prefix whose drive C is a folder holding the game; the stand-in names
  // itself by the game's Windows path, as Wine's loader does for gta2.exe.
  const auto base = std::filesystem::temp_directory_path() / ("lobbyfind_wine_" + std::to_string(getpid()));
  const auto game_dir = base / "drive_c" / "Games" / "GTA2";
  std::filesystem::create_directories(game_dir);
  std::filesystem::create_directories(base / "prefix" / "dosdevices");
  std::filesystem::create_directory_symlink(base / "drive_c", base / "prefix" / "dosdevices" / "c:");
  const pid_t game = OpenWindow(X11_TEST_WINDOW, "GTA2 Manager", true, "C:\\Games\\GTA2\\GTA2 Manager.exe",
                                {"WINEPREFIX=" + (base / "prefix").string()});
  ASSERT_GT(game, 0);
  X11Windows windows(display_);
  EXPECT_TRUE(windows.IsWindowOpen("GTA2 Manager", InFolder(game_dir.string())));
  EXPECT_TRUE(windows.IsWindowOpen("GTA2 Manager", InFolder("c:\\games\\gta2")));
  EXPECT_FALSE(windows.IsWindowOpen("GTA2 Manager", InFolder((base / "drive_c" / "Games").string())));
  EXPECT_TRUE(windows.KillWindowProcess("GTA2 Manager", InFolder(game_dir.string())));
  const int status = WaitForExit(game);
  if (status == -1) {
    kill(game, SIGKILL);
    waitpid(game, nullptr, 0);
  }
  EXPECT_NE(status, -1) << "the stand-in was not ended";
  std::filesystem::remove_all(base);
}

// A window of the test's own making: top-level or inside `parent`, with a
// title (none when empty) and, when `pid` is given, _NET_WM_PID.
xcb_window_t MakeWindow(xcb_connection_t* c, xcb_window_t parent, const std::string& title, std::uint32_t pid = 0) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, parent == 0 ? screen->root : parent, 0, 0, 20, 20, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
  if (!title.empty()) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(title.size()), title.data());
  }
  if (pid != 0) {
    const char name[] = "_NET_WM_PID";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom->atom, XCB_ATOM_CARDINAL, 32, 1, &pid);
    std::free(atom);
  }
  xcb_map_window(c, window);
  return window;
}

TEST_F(X11WindowsTest, AFramedWindowAmongManyIsFoundAndEverySearchOnOneConnectionStandsAlone) {
  xcb_connection_t* c = xcb_connect(display_.c_str(), nullptr);
  ASSERT_EQ(xcb_connection_has_error(c), 0) << "no connection to " << display_;
  // Windows made here belong to this test program: it stands in for the game.
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const game::ProgramTest is_self = [self](std::string_view program) { return program == self; };
  for (int i = 0; i < 40; ++i) {
    const xcb_window_t decoy = MakeWindow(c, 0, "Decoy " + std::to_string(i));
    MakeWindow(c, decoy, "");
    MakeWindow(c, decoy, "Inner " + std::to_string(i));
  }
  // The title on a window of another program (init) comes first and is passed over.
  MakeWindow(c, 0, "GTA2 Manager", 1);
  const xcb_window_t frame = MakeWindow(c, 0, "");
  const xcb_window_t framed = MakeWindow(c, frame, "GTA2 Manager", static_cast<std::uint32_t>(getpid()));
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

  X11Windows windows(display_);
  // Found early (its remaining questions dropped), late, deep, and not at
  // all, in turns on one connection: each answer is its own search's.
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(windows.IsWindowOpen("decoy 0", is_self));
    EXPECT_TRUE(windows.IsWindowOpen("Decoy 39", is_self));
    EXPECT_TRUE(windows.IsWindowOpen("Inner 17", is_self));
    EXPECT_TRUE(windows.IsWindowOpen("GTA2 Manager", is_self));
    EXPECT_FALSE(windows.IsWindowOpen("Decoy 40", is_self));
    // Found, and never ended: it is the program's own process.
    EXPECT_TRUE(windows.KillWindowProcess("GTA2 Manager", is_self));
  }
  xcb_destroy_window(c, framed);
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  EXPECT_FALSE(windows.IsWindowOpen("GTA2 Manager", is_self));
  xcb_disconnect(c);
}

TEST_F(X11WindowsTest, WithoutDisplayNothingIsFound) {
  const pid_t game = OpenWindow(X11_TEST_WINDOW, "GTA2", true);
  const auto any_program = [](std::string_view) { return true; };
  X11Windows unreachable(":4095");
  EXPECT_FALSE(unreachable.IsWindowOpen("GTA2", any_program));
  EXPECT_FALSE(unreachable.KillWindowProcess("GTA2", any_program));
  const char* saved = std::getenv("DISPLAY");
  const std::string saved_value = saved != nullptr ? saved : "";
  unsetenv("DISPLAY");
  X11Windows from_environment;
  EXPECT_FALSE(from_environment.KillWindowProcess("GTA2", any_program));
  if (saved != nullptr) setenv("DISPLAY", saved_value.c_str(), 1);
  EXPECT_EQ(waitpid(game, nullptr, WNOHANG), 0) << "window owner was ended";
  kill(game, SIGKILL);
  waitpid(game, nullptr, 0);
}

}  // namespace
}  // namespace lobbyfind::platform

#endif
