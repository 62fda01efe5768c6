// Runs a program in a Wine prefix for tests and benchmarks: headless (no
// display), quiet (no debug channels, no Mono or Gecko prompts), with its
// input from /dev/null and its output into a file, since a pipe would be held
// open by a wineserver the program starts.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace lobbyfind::testing {

// What a Wine command is started behind: the kernel's address randomisation
// off, for it and the programs it starts, as Wine with it on now and then
// ends a new process before it starts (why and how often: the comment in
// scripts/lanes/windows.sh).
inline std::vector<std::string> FixedLayout() {
  utsname machine{};
  uname(&machine);
  return {"setarch", machine.machine, "-R"};
}

// The program's exit code; -1 when it could not be started or did not exit.
inline int RunWineProgram(const std::filesystem::path& prefix, std::vector<std::string> args,
                          const std::filesystem::path& output = "/dev/null") {
  const auto layout = FixedLayout();
  args.insert(args.begin(), layout.begin(), layout.end());
  std::vector<std::string> env = {"WINEPREFIX=" + prefix.string(), "WINEDEBUG=-all",
                                  "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"};
  for (char** var = environ; *var != nullptr; ++var) {
    const std::string_view entry(*var);
    if (!entry.starts_with("WINEPREFIX=") && !entry.starts_with("WINEDEBUG=") &&
        !entry.starts_with("WINEDLLOVERRIDES=") && !entry.starts_with("DISPLAY=")) {
      env.emplace_back(entry);
    }
  }
  std::vector<char*> argv;
  std::vector<char*> envp;
  for (auto& arg : args) argv.push_back(arg.data());
  for (auto& entry : env) envp.push_back(entry.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace lobbyfind::testing
