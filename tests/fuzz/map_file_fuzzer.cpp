// The map description reader on any file contents, and the catalogue built
// from such files: never a crash, no line break inside a field, and the
// catalogue in its own order (the game's) without duplicates under it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "game/map_catalogue.h"
#include "game/map_order.h"

namespace {

using lobbyfind::game::tMapFile;

// A line ends at LF, a CR before it belonging to the line end; any other CR
// is text of the line, taken as it stands.
bool NoLineEnd(const std::string& field) { return field.find('\n') == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::filesystem::path game = lobbyfind::fuzz::ScratchDir() / "game";
  const std::filesystem::path folder = game / "data";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);

  // The input is one file; cut at its first NUL it is also a second one.
  lobbyfind::fuzz::WriteFile(folder / "a.mmp", bytes);
  lobbyfind::fuzz::WriteFile(folder / "B.MMP", bytes.substr(0, bytes.find('\0')));

  const tMapFile map = lobbyfind::game::ReadMapFile(folder / "a.mmp");
  FUZZ_CHECK(NoLineEnd(map.GMPFile) && NoLineEnd(map.STYFile) && NoLineEnd(map.SCRFile));
  FUZZ_CHECK(NoLineEnd(map.Description));
  FUZZ_CHECK(map.Description.size() <= size);

  const std::vector<std::string> catalogue = lobbyfind::game::MapCatalogue(game);
  FUZZ_CHECK(!catalogue.empty() && catalogue.size() <= 2);
  for (std::size_t i = 1; i < catalogue.size(); ++i) {
    FUZZ_CHECK(lobbyfind::game::CompareMapNames(catalogue[i - 1], catalogue[i]) < 0);
    FUZZ_CHECK(lobbyfind::game::CompareMapNames(catalogue[i], catalogue[i - 1]) > 0);
  }
  bool listed = false;
  for (const std::string& description : catalogue) {
    listed = listed || lobbyfind::game::CompareMapNames(description, map.Description) == 0;
  }
  FUZZ_CHECK(listed);
  FUZZ_CHECK(lobbyfind::game::GetCurrentMapName(0, game) == catalogue[0]);
  FUZZ_CHECK(lobbyfind::game::GetCurrentMapName(2, game) == "|error|");
  return 0;
}
