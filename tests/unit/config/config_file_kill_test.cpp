// A process killed in the middle of Save must leave the settings file either
// as it was or as it was meant to become, never truncated or half written.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "config/config_file.h"

namespace lobbyfind::config {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A config of about 2 MB whose every value carries the generation number, so
// that a torn file cannot look whole.
cConfigFile BigConfig(const std::string& path, char generation) {
  cConfigFile config(path);
  for (int i = 0; i < 2000; ++i) {
    config.SetValue("key" + std::to_string(i), std::string(1000, generation));
  }
  return config;
}

TEST(ConfigFileKill, KillDuringSaveLeavesTheOldOrTheNewFile) {
  const fs::path dir = fs::temp_directory_path() /
                       ("lobbyfind_config_kill_" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const std::string path = (dir / "lobbyfind.ini").string();

  BigConfig(path, 'a').Save();
  const std::string old_contents = ReadAll(path);
  BigConfig(path, 'b').Save();
  const std::string new_contents = ReadAll(path);
  BigConfig(path, 'a').Save();
  ASSERT_NE(old_contents, new_contents);

  std::mt19937 random(12345);
  for (int round = 0; round < 12; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Alternate between the two contents until killed.
      cConfigFile a = BigConfig(path, 'a');
      cConfigFile b = BigConfig(path, 'b');
      for (;;) {
        b.Save();
        a.Save();
      }
    }
    // While the child saves, every look at the file finds one whole version.
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(20 + random() % 60);
    int torn_reads = 0;
    while (std::chrono::steady_clock::now() < until) {
      const std::string seen = ReadAll(path);
      torn_reads += (seen == old_contents || seen == new_contents) ? 0 : 1;
    }
    EXPECT_EQ(torn_reads, 0) << "round " << round;
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string contents = ReadAll(path);
    EXPECT_TRUE(contents == old_contents || contents == new_contents)
        << "round " << round << ": file of " << contents.size() << " bytes is torn";
    // And the loaded object agrees with one of them.
    cConfigFile loaded(path);
    EXPECT_EQ(loaded.Keys().size(), 2000U);
  }
  fs::remove_all(dir);
}

// A disk that fills up mid-save (here: a file size limit for the saving
// process) must leave the old file whole and report the failure.
TEST(ConfigFileKill, DiskFullDuringSaveKeepsTheOldFileAndThrows) {
  const fs::path dir = fs::temp_directory_path() /
                       ("lobbyfind_config_full_" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const std::string path = (dir / "lobbyfind.ini").string();
  cConfigFile small(path);
  small.SetValue("gtadir", "C:\\Games\\GTA2");
  small.Save();
  const std::string old_contents = ReadAll(path);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    cConfigFile big = BigConfig(path, 'b');
    try {
      big.Save();
    } catch (const ConfigSaveError& e) {
      _exit(std::string(e.what()).find("too large") != std::string::npos ? 0 : 2);
    }
    _exit(3);  // no error reached the caller
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: unreadable message, 3: no error reported";
  EXPECT_EQ(ReadAll(path), old_contents);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lobbyfind::config
#endif
