// What the fuzz targets share: a property check that stops the run like a
// crash (so libFuzzer saves the input), and a scratch file per process for
// the readers that take a path.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace lobbyfind::fuzz {

// A property broken by some input: print it and abort, which libFuzzer
// reports as a finding with the input that caused it.
[[noreturn]] inline void Broken(const char* property, const char* file, int line) {
  std::fprintf(stderr, "fuzz property broken at %s:%d: %s\n", file, line, property);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::lobbyfind::fuzz::Broken(#condition, __FILE__, __LINE__))

// A folder of its own, made on first use and kept for the life of the
// process (libFuzzer runs millions of inputs). Below $LOBBYFIND_FUZZ_SCRATCH
// when set (the lane points it at a folder it removes afterwards: a run that
// ends on its time limit runs no exit handlers), else in memory where the
// system offers it: the settings file syncs every save to the disk, which
// would slow the run down tenfold.
inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::error_code ignored;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ignored)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    if (const char* chosen = std::getenv("LOBBYFIND_FUZZ_SCRATCH"); chosen != nullptr && *chosen != '\0') {
      base = chosen;
    }
    auto path = base / ("lobbyfind-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return dir;
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Broken("scratch file written", __FILE__, __LINE__);
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace lobbyfind::fuzz
