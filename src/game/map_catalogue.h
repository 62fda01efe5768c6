// The catalogue of the game's maps: the descriptions of the map description
// files ("*.mmp") in the game's data folder, in the order the game counts
// them, so that the map index the game stores can be turned into a name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lobbyfind::game {

// What one map description file holds. A field whose line is missing is
// empty (0 for PlayerCount).
struct tMapFile {
  // False when the file could not be read to its end, or its player count
  // was not a number (then the fields read before that line are kept).
  bool Valid = true;
  std::string GMPFile;
  std::string STYFile;
  std::string SCRFile;
  std::string Description;
  std::int32_t PlayerCount = 0;

  friend bool operator==(const tMapFile&, const tMapFile&) = default;
};

// Whether a listed file is hidden from the game's own listing: on Windows
// the hidden or system attribute; on Linux, where the game runs under Wine,
// a name starting with a dot, which Wine lists as hidden.
using HiddenFileTest = std::function<bool(const std::filesystem::directory_entry& entry)>;
[[nodiscard]] bool NameStartsWithDot(const std::filesystem::directory_entry& entry);

// Reads one map description file. Never throws.
[[nodiscard]] tMapFile ReadMapFile(const std::filesystem::path& path);

// The map descriptions below `gta_dir`/data, hidden files left out, in the
// order of CompareMapNames, a description equal to an earlier one left out.
// Empty when there is no such folder.
[[nodiscard]] std::vector<std::string> MapCatalogue(const std::filesystem::path& gta_dir,
                                                    const HiddenFileTest& hidden = NameStartsWithDot);

// The text announced for a hosted game: "" when the game stores no map index,
// "|error|" when the index lies outside the catalogue, else the description.
[[nodiscard]] std::string GetCurrentMapName(std::optional<std::uint32_t> map_index,
                                            const std::filesystem::path& gta_dir,
                                            const HiddenFileTest& hidden = NameStartsWithDot);

}  // namespace lobbyfind::game
