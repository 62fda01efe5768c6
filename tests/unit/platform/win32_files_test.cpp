// Hidden and system files against the real file system (under Wine in the
// Windows lane): the map catalogue leaves them out as the game does.
#ifdef _WIN32

#include "platform/win32/win32_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "game/map_catalogue.h"

namespace lobbyfind::platform {
namespace {

namespace fs = std::filesystem;

TEST(Win32Files, TheCatalogueLeavesOutHiddenAndSystemFiles) {
  const fs::path game_dir = fs::temp_directory_path() / ("lobbyfind_files_" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(game_dir / "data");
  const std::pair<const char*, DWORD> files[] = {
      {"a.mmp", FILE_ATTRIBUTE_NORMAL},       {"b.mmp", FILE_ATTRIBUTE_HIDDEN},
      {"c.mmp", FILE_ATTRIBUTE_SYSTEM},       {"d.mmp", FILE_ATTRIBUTE_NORMAL},
      {"e.mmp", FILE_ATTRIBUTE_READONLY},
  };
  for (const auto& [name, attributes] : files) {
    const fs::path path = game_dir / "data" / name;
    std::ofstream(path) << "Description = " << name << "\n";
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
  }
  EXPECT_EQ(game::MapCatalogue(game_dir, IsHiddenOrSystemFile),
            (std::vector<std::string>{"a.mmp", "d.mmp", "e.mmp"}));
  for (const auto& [name, attributes] : files) SetFileAttributesW((game_dir / "data" / name).c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove_all(game_dir);
}

}  // namespace
}  // namespace lobbyfind::platform

#endif
